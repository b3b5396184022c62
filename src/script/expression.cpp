// Expressions, assignment lists and conditions.
//
// Expression: operands and operators read strictly left to right, no precedence and no
// parentheses; an accumulator, a pending operator and the operand being built.
//   operand   digits, or a variable followed by more digits that keep building on it
//   variable  V nnn | S nnn | P nnn (V[V[nnn]]) | F nnn | E nnn | T nnnn | G n | R n[nnnnnn]
//   operator  + - * / % _& _| _X
//   end       = < > ; ! & | ] , NUL or the end of the text
// Anything else (a blank too) makes the expression invalid: its value is 0.
//
// Assignment list: statements separated by ";", each a target (letter and fixed-width
// index), one character taken as "=", and an expression.
//
// Condition: "(" left op right { & | ... } ")", op one of = == ! != < <= > >=.
//
// Choices where the scenario language leaves things open:
//   - An index whose fixed-width digits are not all digits makes the expression invalid
//     (or the assignment statement rejected); nothing is read past the text.
//   - Reads outside a bank (S200..S999, P through a V value outside 0..999) give 0;
//     writes there change nothing and are reported as "代入エラー".
//   - "R0" gives 0 like a division by zero and draws no random number.
//   - Arithmetic wraps at 32 bits; INT_MIN / -1 is INT_MIN and INT_MIN % -1 is 0.
//   - An invalid expression in a condition counts as 0 and the chain goes on from where
//     it stopped, as scripts written for the original engine expect.
#include "script/expression.h"

#include <cstdint>
#include <string>

#include "core/engine.h"
#include "core/sjis.h"

namespace torvan {

namespace {

enum class Op { Add, Sub, Mul, Div, Rem, And, Or, Xor };

bool isDigit(unsigned char c) {
  return c >= '0' && c <= '9';
}

bool isTerminator(unsigned char c) {
  switch (c) {
    case 0:
    case '=':
    case '<':
    case '>':
    case ';':
    case '!':
    case '&':
    case '|':
    case ']':
    case ',':
      return true;
    default:
      return false;
  }
}

std::int32_t wrap(std::uint32_t v) {
  return static_cast<std::int32_t>(v);
}

std::int32_t apply(Op op, std::int32_t a, std::int32_t b) {
  const auto ua = static_cast<std::uint32_t>(a);
  const auto ub = static_cast<std::uint32_t>(b);
  switch (op) {
    case Op::Add:
      return wrap(ua + ub);
    case Op::Sub:
      return wrap(ua - ub);
    case Op::Mul:
      return wrap(ua * ub);
    case Op::Div:
      if (b == 0) return 0;
      if (b == -1) return wrap(0u - ua);  // INT_MIN / -1 would trap
      return a / b;
    case Op::Rem:
      if (b == 0 || b == -1) return 0;
      return a % b;
    case Op::And:
      return wrap(ua & ub);
    case Op::Or:
      return wrap(ua | ub);
    case Op::Xor:
      return wrap(ua ^ ub);
  }
  return 0;
}

// Reads text as a C string would: a NUL byte ends it like the end of the view.
struct Reader {
  std::string_view text;
  std::size_t pos = 0;

  unsigned char peek(std::size_t ahead = 0) const {
    std::size_t i = pos + ahead;
    return i < text.size() ? static_cast<unsigned char>(text[i]) : 0;
  }
};

// A fixed-width decimal index at the reader; -1 when any of the width characters is
// not a digit (the text's end included).
int readIndex(Reader& r, int width) {
  int n = 0;
  for (int i = 0; i < width; ++i) {
    unsigned char c = r.peek();
    if (!isDigit(c)) return -1;
    n = n * 10 + (c - '0');
    ++r.pos;
  }
  return n;
}

std::int32_t valAt(const Variables& v, std::int64_t n) {
  return n >= 0 && n < std::int64_t(v.val.size()) ? v.val[std::size_t(n)] : 0;
}

struct Evaluation {
  std::int32_t value = 0;
  bool ok = true;
};

// Evaluates from r.pos and leaves r.pos at the terminator, or at the character that made
// the expression invalid.
Evaluation evaluateAt(Engine& engine, Reader& r) {
  const Variables& vars = engine.vars;
  std::int32_t acc = 0;
  std::int32_t operand = 0;
  Op pending = Op::Add;
  auto fail = [] { return Evaluation{0, false}; };

  for (;;) {
    const unsigned char c = r.peek();
    if (isTerminator(c)) break;
    if (isDigit(c)) {
      operand = wrap(static_cast<std::uint32_t>(operand) * 10u + (c - '0'));
      ++r.pos;
      continue;
    }
    Op op = Op::Add;
    bool isOperator = true;
    switch (c) {
      case '+':
        op = Op::Add;
        break;
      case '-':
        op = Op::Sub;
        break;
      case '*':
        op = Op::Mul;
        break;
      case '/':
        op = Op::Div;
        break;
      case '%':
        op = Op::Rem;
        break;
      case '_':
        switch (r.peek(1)) {
          case '&':
            op = Op::And;
            break;
          case '|':
            op = Op::Or;
            break;
          case 'X':
            op = Op::Xor;
            break;
          default:
            return fail();
        }
        ++r.pos;  // the second character of the operator
        break;
      default:
        isOperator = false;
    }
    if (isOperator) {
      ++r.pos;
      acc = apply(pending, acc, operand);
      operand = 0;
      pending = op;
      continue;
    }

    ++r.pos;  // the operand letter
    int n = 0;
    switch (c) {
      case 'V':
        if ((n = readIndex(r, 3)) < 0) return fail();
        operand = vars.val[n];
        break;
      case 'S':
        if ((n = readIndex(r, 3)) < 0) return fail();
        operand = n < int(vars.sys.size()) ? vars.sys[n] : 0;
        break;
      case 'P':
        if ((n = readIndex(r, 3)) < 0) return fail();
        operand = valAt(vars, vars.val[n]);
        break;
      case 'F':
        if ((n = readIndex(r, 3)) < 0) return fail();
        operand = vars.flg.get(n) ? 1 : 0;
        break;
      case 'E':
        if ((n = readIndex(r, 3)) < 0) return fail();
        operand = vars.evr.get(n) ? 1 : 0;
        break;
      case 'T':
        if ((n = readIndex(r, 4)) < 0) return fail();
        operand = vars.t.get(n) ? 1 : 0;
        break;
      case 'G':
        if ((n = readIndex(r, 1)) < 0) return fail();
        operand = vars.g[n];
        break;
      case 'R': {
        // One digit, then up to six more: at most 9999999, so no overflow.
        if (!isDigit(r.peek())) return fail();
        std::int32_t limit = 0;
        for (int i = 0; i < 7 && isDigit(r.peek()); ++i, ++r.pos)
          limit = limit * 10 + (r.peek() - '0');
        operand = limit > 0 ? engine.rng.below(limit) : 0;
        break;
      }
      default:
        --r.pos;  // leave the reader on the offending character
        return fail();
    }
  }
  return Evaluation{apply(pending, acc, operand), true};
}

bool isBlankAt(std::string_view s, std::size_t i) {
  unsigned char c = static_cast<unsigned char>(s[i]);
  if (c == ' ' || c == '\t') return true;
  return c == 0x81 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x40;
}

// Upper-cases single-byte letters and drops blanks, tabs and full-width blanks; the
// bytes of two-byte characters are copied untouched (their second byte may look like
// an ASCII letter). Stops at a NUL, at stop (when non-zero) and at limit bytes kept.
std::string normalise(std::string_view s, char stop, std::size_t limit, std::size_t* used) {
  std::string out;
  std::size_t i = 0;
  while (i < s.size() && s[i] != 0 && s[i] != stop) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (isBlankAt(s, i)) {
      i += c == 0x81 ? 2 : 1;
      continue;
    }
    std::size_t len = isSjisLead(c) && i + 1 < s.size() ? 2 : 1;
    if (out.size() + len > limit) break;
    if (len == 1)
      out += (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : char(c);
    else
      out.append(s.substr(i, 2));
    i += len;
  }
  if (used) *used = i;
  return out;
}

void storeFlag(Engine& engine, char bank, int n, std::int32_t value, std::string_view statement) {
  auto& vars = engine.vars;
  if (value != 0 && value != 1) {
    // F flags ignore other values quietly; E and T flags report them.
    if (bank != 'F') ReportError(engine, kAssignmentError, statement);
    return;
  }
  switch (bank) {
    case 'F':
      vars.flg.set(n, value == 1);
      break;
    case 'E':
      vars.evr.set(n, value == 1);
      break;
    default:
      vars.t.set(n, value == 1);
  }
}

void assignStatement(Engine& engine, std::string_view statement) {
  const char bank = statement[0];
  int width = 3;
  switch (bank) {
    case 'V':
    case 'S':
    case 'P':
    case 'F':
    case 'E':
      break;
    case 'T':
      width = 4;
      break;
    case 'G':
      width = 1;
      break;
    default:
      ReportError(engine, kAssignmentError, statement);
      return;
  }
  Reader r{statement, 1};
  const int n = readIndex(r, width);
  if (n < 0 || r.pos >= statement.size()) {
    // A bad index, or no "=" and value at all: there is nothing sound to store.
    ReportError(engine, kAssignmentError, statement);
    return;
  }
  // The character after the index stands for "="; whatever it is, it is passed over
  // as it always was, but anything else is worth a line on stderr.
  if (statement[r.pos] != '=') ReportError(engine, kAssignmentError, statement);
  ++r.pos;
  Evaluation e = evaluateAt(engine, r);
  if (!e.ok) ReportError(engine, kInvalidExpression, statement);
  const std::int32_t value = e.value;

  auto& vars = engine.vars;
  switch (bank) {
    case 'V':
      vars.val[n] = value;
      break;
    case 'S':
      if (n >= int(vars.sys.size())) {
        ReportError(engine, kAssignmentError, statement);
        return;
      }
      vars.sys[n] = value;
      if (n == sys::kMenuLevel || n == sys::kWindowAllowed) engine.applyToolStrip();
      break;
    case 'P': {
      const std::int32_t target = vars.val[n];
      if (target < 0 || target >= std::int32_t(vars.val.size())) {
        ReportError(engine, kAssignmentError, statement);
        return;
      }
      vars.val[target] = value;
      break;
    }
    case 'G':
      vars.g[n] = value;
      break;
    default:
      storeFlag(engine, bank, n, value, statement);
  }
}

}  // namespace

std::int32_t Evaluate(Engine& engine, std::string_view text) {
  Reader r{text, 0};
  Evaluation e = evaluateAt(engine, r);
  if (!e.ok) ReportError(engine, kInvalidExpression, text);
  return e.value;
}

void Assign(Engine& engine, std::string_view text) {
  // ";" is never the second byte of a two-byte character, so splitting the normalised
  // text at every ";" is safe.
  const std::string list = normalise(text, 0, std::string::npos, nullptr);
  std::size_t start = 0;
  while (start <= list.size()) {
    std::size_t end = list.find(';', start);
    if (end == std::string::npos) end = list.size();
    // Empty statements come from a trailing ";" and mean nothing.
    if (end > start) assignStatement(engine, std::string_view(list).substr(start, end - start));
    start = end + 1;
  }
}

bool TestCondition(Engine& engine, std::string_view text) {
  std::size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
  if (i < text.size() && text[i] == '(') ++i;
  // Scripts have always been limited to 100 characters of condition.
  const std::string cond = normalise(text.substr(i), ')', 100, nullptr);

  Reader r{cond, 0};
  for (;;) {
    Evaluation left = evaluateAt(engine, r);
    if (!left.ok) ReportError(engine, kInvalidExpression, cond);
    bool result = false;
    const unsigned char c = r.peek();
    if (c == '=' || c == '!' || c == '<' || c == '>') {
      ++r.pos;
      const bool orEqual = r.peek() == '=';
      if (orEqual) ++r.pos;
      Evaluation right = evaluateAt(engine, r);
      if (!right.ok) ReportError(engine, kInvalidExpression, cond);
      switch (c) {
        case '=':
          result = left.value == right.value;
          break;
        case '!':
          result = left.value != right.value;
          break;
        case '<':
          result = orEqual ? left.value <= right.value : left.value < right.value;
          break;
        default:
          result = orEqual ? left.value >= right.value : left.value > right.value;
      }
    }
    // A term without a comparison is false; the chain goes on from where it stopped.
    const unsigned char next = r.peek();
    if (next == '&') {
      if (!result) return false;
    } else if (next == '|') {
      if (result) return true;
    } else {
      return result;
    }
    ++r.pos;
  }
}

}  // namespace torvan
