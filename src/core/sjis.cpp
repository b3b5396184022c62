#include "core/sjis.h"

#include <iconv.h>

#include <cerrno>

namespace torvan {

namespace {

// An iconv conversion descriptor for one call; iconv state is not shared.
class Converter {
 public:
  Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;
  bool valid() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // Converts as much as possible; returns false with `in` at the offending byte.
  bool run(std::string_view& in, std::string& out) {
    char buf[256];
    char* src = const_cast<char*>(in.data());
    size_t srcLeft = in.size();
    bool good = true;
    while (srcLeft > 0) {
      char* dst = buf;
      size_t dstLeft = sizeof buf;
      size_t r = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
      out.append(buf, dst - buf);
      if (r == static_cast<size_t>(-1) && errno != E2BIG) {
        good = false;
        break;
      }
    }
    in = std::string_view(src, srcLeft);
    return good;
  }

 private:
  iconv_t cd_;
};

}  // namespace

Result<std::string> utf8ToSjis(std::string_view utf8) {
  Converter conv("CP932", "UTF-8");
  if (!conv.valid()) return Error{"", "", "the C library has no CP932 converter"};
  std::string out;
  std::string_view rest = utf8;
  if (!conv.run(rest, out)) {
    std::size_t at = utf8.size() - rest.size();
    return Error{"", "", "character at byte " + std::to_string(at) + " has no Shift-JIS form"};
  }
  return out;
}

std::string sjisToUtf8(std::string_view sjis) {
  Converter conv("UTF-8", "CP932");
  std::string out;
  if (!conv.valid()) return std::string(sjis);
  std::string_view rest = sjis;
  while (!conv.run(rest, out)) {
    out += "\xEF\xBF\xBD";
    rest.remove_prefix(1);
  }
  return out;
}

}  // namespace torvan
