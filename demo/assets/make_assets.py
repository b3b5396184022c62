#!/usr/bin/env python3
"""Draws the demo game's pictures (PNG) and synthesizes its sounds (16-bit WAV).

Everything is computed from fixed formulas and a fixed-seed generator, so the same
files come out on every run. Standard library only.
usage: make_assets.py OUT_DIR
Pictures are written as OUT_DIR/pictures/NAME.png, music as OUT_DIR/music/Mnn.wav,
effects as OUT_DIR/se/NAME.wav (looping ones as OUT_DIR/seloop/NAME.wav) and voices
as OUT_DIR/voice/NAME.wav; NAME is the entry name the scripts use.
"""
import math
import os
import struct
import sys
import wave
import zlib

RATE = 22050


class Rng:
    """A small linear congruential generator, so noise is the same everywhere."""

    def __init__(self, seed):
        self.s = seed & 0xFFFFFFFF

    def next(self):
        self.s = (self.s * 1664525 + 1013904223) & 0xFFFFFFFF
        return self.s

    def unit(self):
        return self.next() / 4294967296.0


class Canvas:
    def __init__(self, w, h, colour=(0, 0, 0)):
        self.w, self.h = w, h
        self.px = bytearray(bytes(colour) * (w * h))

    def span(self, y, x0, x1, colour):
        if y < 0 or y >= self.h:
            return
        x0, x1 = max(0, int(x0)), min(self.w, int(x1))
        if x1 <= x0:
            return
        i = (y * self.w + x0) * 3
        self.px[i:i + (x1 - x0) * 3] = bytes(colour) * (x1 - x0)

    def blend_span(self, y, x0, x1, colour, a):
        if y < 0 or y >= self.h:
            return
        for x in range(max(0, int(x0)), min(self.w, int(x1))):
            i = (y * self.w + x) * 3
            for k in range(3):
                self.px[i + k] = int(self.px[i + k] * (1 - a) + colour[k] * a)

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(max(0, y0), min(self.h, y1)):
            self.span(y, x0, x1, colour)

    def vgradient(self, y0, y1, top, bottom):
        for y in range(y0, y1):
            t = (y - y0) / max(1, y1 - y0 - 1)
            self.span(y, 0, self.w, mix(top, bottom, t))

    def ellipse(self, cx, cy, rx, ry, colour, alpha=1.0):
        for y in range(int(cy - ry), int(cy + ry) + 1):
            d = 1 - ((y - cy) / ry) ** 2
            if d < 0:
                continue
            half = rx * math.sqrt(d)
            if alpha >= 1:
                self.span(y, cx - half, cx + half + 1, colour)
            else:
                self.blend_span(y, cx - half, cx + half + 1, colour, alpha)

    def get(self, x, y):
        i = (y * self.w + x) * 3
        return tuple(self.px[i:i + 3])

    def put(self, x, y, colour):
        i = (y * self.w + x) * 3
        self.px[i:i + 3] = bytes(colour)

    def blit(self, src, dx, dy):
        for y in range(src.h):
            i = ((dy + y) * self.w + dx) * 3
            self.px[i:i + src.w * 3] = src.px[y * src.w * 3:(y + 1) * src.w * 3]

    def save_png(self, path):
        raw = b"".join(b"\0" + bytes(self.px[y * self.w * 3:(y + 1) * self.w * 3])
                       for y in range(self.h))

        def chunk(kind, data):
            c = kind + data
            return struct.pack(">I", len(data)) + c + struct.pack(">I", zlib.crc32(c))

        with open(path, "wb") as f:
            f.write(b"\x89PNG\r\n\x1a\n")
            f.write(chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, 2, 0, 0, 0)))
            f.write(chunk(b"IDAT", zlib.compress(raw, 9)))
            f.write(chunk(b"IEND", b""))


def mix(a, b, t):
    t = min(1.0, max(0.0, t))
    return tuple(int(a[k] + (b[k] - a[k]) * t) for k in range(3))


# ---------------------------------------------------------------- backgrounds

def hill_sky():
    """A001: a spring afternoon on the hill road, the sea far off."""
    c = Canvas(800, 600)
    c.vgradient(0, 330, (70, 130, 210), (190, 220, 245))
    c.ellipse(640, 90, 38, 38, (255, 250, 220))
    for cx, cy, s in ((150, 90, 1.0), (420, 140, 0.7), (700, 220, 0.8)):
        for dx, dy, r in ((-50, 8, 34), (0, 0, 46), (50, 6, 36), (20, 18, 40)):
            c.ellipse(cx + dx * s, cy + dy * s, r * s * 1.4, r * s * 0.8, (250, 252, 255), 0.9)
    c.vgradient(330, 360, (90, 150, 200), (60, 120, 180))  # the distant sea
    for y in range(330, 360, 6):
        c.blend_span(y, 0, 800, (230, 240, 255), 0.25)
    for y in range(300, 600):  # green hill rising to the right
        x_top = 800 - (y - 300) * 3.2
        c.span(y, max(0, x_top), 800, mix((110, 170, 90), (60, 120, 50), (y - 300) / 300))
    for y in range(360, 600):  # the grass in front
        c.span(y, 0, 800, mix((120, 180, 95), (70, 130, 60), (y - 360) / 240))
    for y in range(360, 600):  # the road, widening toward the viewer
        t = (y - 360) / 240
        mid = 470 - 140 * t
        half = 12 + 170 * t
        c.span(y, mid - half, mid + half, mix((200, 190, 170), (170, 160, 140), t))
    return c


def sea():
    """A002: the beach and an open sea under a clear sky."""
    c = Canvas(800, 600)
    c.vgradient(0, 260, (40, 110, 200), (170, 215, 245))
    for y in range(260, 450):
        t = (y - 260) / 190
        base = mix((40, 100, 170), (60, 150, 180), t)
        c.span(y, 0, 800, base)
        if (y - 260) % max(3, int(14 - 10 * t)) == 0:
            for x0 in range(int((y * 37) % 90) - 90, 800, 90):
                c.blend_span(y, x0, x0 + 20 + 40 * t, (235, 245, 255), 0.55)
    for y in range(440, 600):
        c.span(y, 0, 800, mix((235, 220, 180), (210, 190, 150), (y - 440) / 160))
    for x in range(800):  # foam where the waves reach the sand
        yy = int(445 + 8 * math.sin(x * 0.03))
        for y in range(yy - 3, yy + 3):
            c.put(x, y, (245, 250, 255))
    c.ellipse(180, 70, 30, 30, (255, 255, 235))
    return c


def town():
    """A003: the town at dusk, windows lighting up one by one."""
    c = Canvas(800, 600)
    c.vgradient(0, 420, (60, 50, 110), (245, 150, 90))
    c.ellipse(560, 380, 60, 60, (255, 200, 120))
    rng = Rng(7)
    x = 0
    while x < 800:
        w = 50 + int(rng.unit() * 70)
        h = 120 + int(rng.unit() * 180)
        top = 600 - h - 80
        shade = 35 + int(rng.unit() * 25)
        c.rect(x, top, x + w - 4, 600, (shade, shade - 10, shade + 20))
        for wy in range(top + 14, 520, 26):
            for wx in range(x + 8, x + w - 16, 18):
                if rng.unit() < 0.45:
                    c.rect(wx, wy, wx + 9, wy + 12, (255, 215, 120))
        x += w
    c.rect(0, 520, 800, 600, (40, 35, 55))
    for lx in range(60, 800, 180):  # street lamps
        c.rect(lx, 440, lx + 4, 520, (30, 30, 40))
        c.ellipse(lx + 2, 440, 10, 10, (255, 235, 170))
    return c


def harbour(visited=False):
    """A004: the harbour in the late afternoon: a fishing boat at the pier, a warehouse on
    the quay and the lighthouse on its point. With visited=True (W004, the second
    "partsload" picture) each place wears the look it keeps once chosen: the boat's sail
    raised and its lantern lit, the warehouse door open on lamplight, the lighthouse
    lamp on."""
    c = Canvas(800, 600)
    c.vgradient(0, 290, (70, 110, 185), (240, 195, 150))
    c.ellipse(250, 230, 44, 44, (255, 225, 170))  # the low sun
    for y in range(235, 290):  # far hills across the bay
        x_end = 330 - (y - 235) * 0.8 + 40 * math.sin(y * 0.15)
        c.span(y, 0, x_end, mix((110, 120, 150), (90, 105, 140), (y - 235) / 55))
    c.vgradient(290, 600, (60, 110, 160), (20, 45, 85))
    for y in range(294, 600, 6):  # light on the ripples
        t = (y - 290) / 310
        for x0 in range(int((y * 41) % 70) - 70, 340, 70):
            c.blend_span(y, x0, x0 + 14 + 30 * t, (255, 220, 170), 0.3 * (1 - t) + 0.1)
    # The stone quay on the right, its edge catching the light.
    for y in range(290, 600):
        edge = 340 - (y - 290) * 0.12
        c.span(y, edge, 800, mix((150, 140, 125), (95, 90, 85), (y - 290) / 310))
        c.span(y, edge, edge + 4, (205, 195, 175))
    for y in range(320, 600, 28):  # joints between the stones
        c.blend_span(y, 340, 800, (60, 55, 50), 0.5)
    # The warehouse: brick walls, a dark roof, one wide door.
    c.rect(370, 175, 550, 300, (150, 80, 60))
    for y in range(180, 300, 10):
        c.blend_span(y, 370, 550, (90, 45, 35), 0.35)
    for y in range(135, 176):
        half = 100 - (175 - y) * 2.2
        c.span(y, 460 - half, 460 + half, mix((70, 60, 70), (45, 40, 50), (y - 135) / 40))
    if visited:
        c.rect(432, 228, 488, 300, (60, 40, 30))
        c.rect(440, 236, 480, 300, (255, 205, 130))
        for y in range(236, 300):
            c.blend_span(y, 440, 480, (200, 120, 60), (y - 236) / 80)
    else:
        c.rect(432, 228, 488, 300, (100, 70, 45))
        for x in range(440, 488, 12):
            c.rect(x, 232, x + 2, 300, (70, 50, 35))
    # The lighthouse on the point: white with red bands, the lamp room on top.
    for y in range(75, 325):
        t = (y - 75) / 250
        half = 20 + 12 * t
        band = (y - 75) // 40 % 2 == 1
        c.span(y, 660 - half, 660 + half, (200, 60, 50) if band else (240, 238, 230))
        c.blend_span(y, 660, 660 + half, (60, 60, 90), 0.25)  # the shaded side
    if visited:  # the lamp's glow, kept inside the place's area on the map
        c.ellipse(660, 67, 48, 34, (255, 245, 190), 0.3)
        c.ellipse(660, 67, 30, 20, (255, 245, 190), 0.4)
    c.rect(640, 58, 680, 76, (255, 240, 150) if visited else (120, 130, 140))
    c.rect(636, 52, 684, 58, (60, 60, 70))
    for y in range(36, 52):
        half = (y - 36) * 1.6
        c.span(y, 660 - half, 660 + half, (60, 60, 70))
    # The pier and the fishing boat beside it.
    c.rect(300, 376, 345, 392, (120, 85, 55))
    for x in range(304, 345, 9):
        c.rect(x, 392, x + 4, 430, (80, 55, 35))
    for y in range(360, 412):
        t = (y - 360) / 52
        c.span(y, 110 + 40 * t, 320 - 30 * t, mix((170, 70, 50), (90, 35, 30), t))
    c.span(360, 108, 322, (235, 225, 200))
    c.rect(206, 245, 212, 360, (90, 65, 45))  # the mast
    if visited:
        for y in range(252, 352):
            c.span(y, 214, 214 + (y - 252) * 0.95, (245, 242, 230))
        c.ellipse(126, 350, 7, 8, (255, 210, 110))
        c.ellipse(126, 350, 16, 16, (255, 210, 110), 0.3)
    else:
        c.rect(212, 262, 222, 352, (225, 220, 205))  # the sail, furled
        c.ellipse(126, 350, 6, 7, (90, 80, 70))
    return c


# The click map "harbour" (scripts/map.txt) lights its areas from P004. A label box is
# 8 pixels per Shift-JIS byte of the label plus 32, 24 high, centred in the area.
HARBOUR_BOAT = (90, 240, 330, 430)
HARBOUR_LIGHTHOUSE = (610, 30, 710, 330)
HARBOUR_WAREHOUSE = (360, 130, 560, 305)
HARBOUR_CARD = (20, 470, 300, 560)  # where P004 holds the warehouse's caption card


def label_box(area, label_bytes):
    x1, y1, x2, y2 = area
    w = 8 * label_bytes + 32
    x = x1 + int((x2 - x1 - w) / 2)
    y = y1 + int((y2 - y1 - 24) / 2)
    return x, y, x + w, y + 24


def label_plate(c, box, icon):
    """A small rounded plate with an icon, standing in for the place's name."""
    x1, y1, x2, y2 = box
    for y in range(y1, y2):
        d = min(y - y1, y2 - 1 - y)
        inset = 3 - d if d < 3 else 0
        c.span(y, x1 + inset, x2 - inset, mix((250, 235, 180), (215, 175, 95), (y - y1) / 23))
    c.span(y1, x1 + 3, x2 - 3, (120, 80, 30))
    c.span(y2 - 1, x1 + 3, x2 - 3, (120, 80, 30))
    cx, cy = (x1 + x2) // 2, (y1 + y2) // 2
    if icon == "lamp":
        c.ellipse(cx, cy, 6, 6, (200, 90, 40))
        c.rect(cx - 2, cy + 5, cx + 3, cy + 10, (90, 60, 40))
    else:  # a crate
        c.rect(cx - 8, cy - 7, cx + 8, cy + 8, (150, 95, 50))
        c.rect(cx - 8, cy - 1, cx + 8, cy + 1, (90, 55, 30))


def harbour_parts():
    """P004: the harbour's highlighted look: the boat's area in warm light, plates over
    the lighthouse and the warehouse, and the warehouse's caption card in a corner of
    the picture that the map shows at the top left of the screen."""
    c = harbour()
    x1, y1, x2, y2 = HARBOUR_BOAT
    for y in range(y1, y2):
        c.blend_span(y, x1, x2, (255, 235, 190), 0.3)
    for y in (y1, y1 + 1, y2 - 2, y2 - 1):
        c.span(y, x1, x2, (255, 225, 150))
    c.rect(x1, y1, x1 + 2, y2, (255, 225, 150))
    c.rect(x2 - 2, y1, x2, y2, (255, 225, 150))
    label_plate(c, label_box(HARBOUR_LIGHTHOUSE, 4), "lamp")  # 灯台
    label_plate(c, label_box(HARBOUR_WAREHOUSE, 5), "crate")  # #倉庫
    x1, y1, x2, y2 = HARBOUR_CARD
    for y in range(y1, y2):
        c.span(y, x1, x2, mix((40, 50, 90), (20, 25, 55), (y - y1) / (y2 - y1)))
    for y in (y1, y2 - 1):
        c.span(y, x1, x2, (200, 180, 120))
    c.rect(x1, y1, x1 + 1, y2, (200, 180, 120))
    c.rect(x2 - 1, y1, x2, y2, (200, 180, 120))
    c.rect(x1 + 14, y1 + 14, x1 + 74, y2 - 14, (150, 95, 50))  # a crate drawn on the card
    c.rect(x1 + 14, y1 + 42, x1 + 74, y1 + 46, (90, 55, 30))
    for k, width in enumerate((150, 170, 110)):  # lines of writing
        c.rect(x1 + 90, y1 + 18 + 20 * k, x1 + 90 + width, y1 + 24 + 20 * k, (220, 215, 200))
    return c


# ---------------------------------------------------------------- sprites

def sprite(hair, cloth, skin=(250, 222, 200), long_hair=False):
    """A 200x600 standing figure and its mask (255 where the figure is, 0 outside)."""
    img = Canvas(200, 600, (0, 0, 0))
    mask = Canvas(200, 600, (0, 0, 0))
    white = (255, 255, 255)

    def both(fn, *args):
        fn(img, *args)
        fn(mask, *(args[:-1] + (white,)))

    def ell(canvas, cx, cy, rx, ry, colour):
        canvas.ellipse(cx, cy, rx, ry, colour)

    def body(canvas, colour):
        for y in range(250, 600):
            t = (y - 250) / 350
            half = 46 + 40 * t
            canvas.span(y, 100 - half, 100 + half, colour)

    if long_hair:
        both(ell, 100, 200, 62, 110, hair)
    both(body, cloth)
    both(ell, 100, 240, 20, 20, skin)  # neck
    both(ell, 100, 165, 52, 62, skin)  # face
    both(ell, 100, 130, 58, 38, hair)  # fringe
    for ex in (80, 120):  # eyes
        img.ellipse(ex, 175, 6, 9, (50, 40, 60))
    img.ellipse(100, 205, 8, 3, (220, 120, 120))
    for y in range(300, 600, 40):  # a soft fold in the clothes
        img.blend_span(y, 60, 140, (255, 255, 255), 0.12)
    return img, mask


# ---------------------------------------------------------------- interface

def button_strip(w, face_top, face_bottom, alpha, border):
    """A rounded bar whose face sits in the left half and its mask in the right half."""
    h = 40
    c = Canvas(w * 2, h)
    for y in range(h):
        inset = 0
        if y < 6 or y >= h - 6:
            d = 6 - y if y < 6 else y - (h - 7)
            inset = 6 - int(math.sqrt(max(0, 36 - d * d)))
        face = mix(face_top, face_bottom, y / (h - 1))
        if y in (0, h - 1):
            face = border
        c.span(y, inset, w - inset, face)
        c.span(y, w + inset, 2 * w - inset, (alpha, alpha, alpha))
    return c


def click_wait():
    """16 frames of 24x24: a small diamond that pulses; alpha in the lower 24 rows."""
    c = Canvas(24 * 16, 48)
    for f in range(16):
        r = 6 + 3 * math.sin(f * math.pi / 8)
        glow = int(180 + 70 * math.sin(f * math.pi / 8))
        for y in range(24):
            for x in range(24):
                d = abs(x - 11.5) + abs(y - 11.5)
                if d <= r:
                    c.put(f * 24 + x, y, (glow, glow, 255))
                    a = 255 if d <= r - 1 else 128
                    c.put(f * 24 + x, 24 + y, (a, a, a))
    return c


def quick_buttons():
    """Five 48x18 buttons side by side: mask rows 0..17, normal 18..35, lit 36..53."""
    c = Canvas(240, 54)
    for b in range(5):
        x0 = b * 48
        for y in range(18):
            c.span(y, x0 + 2, x0 + 46, (170, 170, 170))
            c.span(18 + y, x0 + 2, x0 + 46, mix((40, 50, 90), (20, 25, 50), y / 17))
            c.span(36 + y, x0 + 2, x0 + 46, mix((90, 120, 210), (50, 70, 150), y / 17))
        for look, colour in ((18, (200, 205, 230)), (36, (255, 255, 255))):
            cx, cy = x0 + 24, look + 9
            if b == 0:  # backlog: three lines
                for dy in (-4, 0, 4):
                    c.span(cy + dy, cx - 10, cx + 10, colour)
            elif b == 1:  # auto: one triangle
                for dy in range(-5, 6):
                    c.span(cy + dy, cx - 5, cx - 5 + (6 - abs(dy)) * 2, colour)
            elif b == 2:  # skip: two triangles
                for dy in range(-5, 6):
                    for ox in (-9, 1):
                        c.span(cy + dy, cx + ox, cx + ox + (6 - abs(dy)) * 1.5, colour)
            elif b == 3:  # save: a filled square
                c.rect(cx - 6, cy - 6, cx + 6, cy + 6, colour)
            else:  # load: a ring
                for dy in range(-6, 7):
                    half = math.sqrt(max(0, 36 - dy * dy))
                    c.span(cy + dy, cx - half, cx + half, colour)
                c.ellipse(cx, cy, 3, 3, mix((40, 50, 90), (90, 120, 210), 0.5 if look == 36 else 0.0))
    return c


def auto_bar():
    """The auto-speed scale, 48x125 face on the left, mask on the right."""
    c = Canvas(96, 125)
    for y in range(125):
        c.span(y, 4, 44, mix((30, 40, 80), (90, 110, 190), y / 124))
        c.span(y, 52, 92, (200, 200, 200))
    for s in range(1, 11):
        c.span(9 * s - 3, 8, 40, (230, 230, 255))
    return c


def auto_cursor():
    """The auto-speed cursor: image in the upper half, its mask in the lower half."""
    c = Canvas(42, 16)
    for y in range(8):
        c.span(y, 0, 42, (255, 220, 120))
        c.span(8 + y, 0, 42, (255, 255, 255))
    return c


def name_plate():
    c = Canvas(184, 76)
    for y in range(38):
        c.span(y, 0, 184, mix((40, 60, 120), (20, 30, 70), y / 37))
        c.span(38 + y, 0, 184, (180, 180, 180))
    return c


# ---------------------------------------------------------------- sounds

def write_wav(path, samples):
    with wave.open(path, "wb") as w:
        w.setnchannels(1)
        w.setsampwidth(2)
        w.setframerate(RATE)
        w.writeframes(b"".join(struct.pack("<h", max(-32767, min(32767, int(s)))) for s in samples))


def note_freq(n):
    return 440.0 * 2 ** ((n - 69) / 12)


def add_note(buf, start, length, midi, amp, bright=0.3):
    f = note_freq(midi)
    i0, n = int(start * RATE), int(length * RATE)
    attack = int(0.02 * RATE)
    for i in range(n):
        if i0 + i >= len(buf):
            break
        t = i / RATE
        env = min(1.0, i / attack) * math.exp(-2.2 * t / length)
        ph = 2 * math.pi * f * t
        buf[i0 + i] += amp * env * (math.sin(ph) + bright * math.sin(2 * ph) + 0.1 * math.sin(3 * ph))


def music(chords, melody, beat, intro_beats):
    """Chords as pads, a melody on top; one chord per bar of four beats."""
    total_beats = intro_beats + 4 * len(chords)
    buf = [0.0] * int(total_beats * beat * RATE)
    for b in range(intro_beats):  # a short arpeggio before the loop
        add_note(buf, b * beat, beat * 1.5, chords[0][b % 3] + 12, 2500)
    for k, chord in enumerate(chords):
        start = (intro_beats + 4 * k) * beat
        for m in chord:
            add_note(buf, start, 4 * beat, m, 2200, 0.2)
        add_note(buf, start, 4 * beat, chord[0] - 12, 2600, 0.1)
    for k, m in enumerate(melody):
        if m:
            add_note(buf, (intro_beats + k) * beat, beat * 0.95, m, 3200, 0.4)
    return buf, intro_beats * beat


def chime():
    buf = [0.0] * int(1.2 * RATE)
    for m, d in ((84, 0.0), (88, 0.12), (91, 0.24)):
        add_note(buf, d, 0.9, m, 6000, 0.15)
    return buf


def steps():
    rng = Rng(11)
    buf = [0.0] * int(1.0 * RATE)
    for k in range(3):
        i0 = int(k * 0.3 * RATE)
        last = 0.0
        for i in range(int(0.12 * RATE)):
            last = 0.6 * last + 0.4 * (rng.unit() * 2 - 1)
            buf[i0 + i] += 14000 * last * math.exp(-i / (0.025 * RATE))
    return buf


def waves():
    """Surf: filtered noise swelling twice over four seconds, so the loop joins smoothly."""
    rng = Rng(23)
    n = 4 * RATE
    buf = [0.0] * n
    low = 0.0
    for i in range(n):
        low = 0.97 * low + 0.03 * (rng.unit() * 2 - 1)
        swell = 0.35 + 0.65 * (0.5 - 0.5 * math.cos(2 * math.pi * 2 * i / n))
        buf[i] = 30000 * low * swell
    fade = int(0.05 * RATE)  # the filter's start-up would click at the loop point
    for i in range(fade):
        buf[i] *= i / fade
        buf[n - 1 - i] *= i / fade
    return buf


def voice(pitch, syllables):
    """Voice-like murmur: a pitched pulse shaped by two formants, one swell per syllable."""
    length = 0.22 * len(syllables) + 0.2
    buf = [0.0] * int(length * RATE)
    formants = {"a": (800, 1200), "i": (300, 2300), "u": (350, 1300), "e": (500, 1900),
                "o": (500, 900)}
    for k, v in enumerate(syllables):
        f1, f2 = formants[v]
        i0 = int((0.1 + 0.22 * k) * RATE)
        n = int(0.2 * RATE)
        for i in range(n):
            t = i / RATE
            f0 = pitch * (1 + 0.04 * math.sin(2 * math.pi * 5 * t) - 0.08 * k / len(syllables))
            env = math.sin(math.pi * i / n) ** 2
            s = 0.0
            for h in range(1, 14):
                fh = f0 * h
                w = 1 / (1 + ((fh - f1) / 120) ** 2) + 0.5 / (1 + ((fh - f2) / 180) ** 2)
                s += w * math.sin(2 * math.pi * fh * t) / h ** 0.5
            buf[i0 + i] += 9000 * env * s
    peak = max(abs(s) for s in buf) or 1
    return [s * 20000 / peak for s in buf]


def main():
    out = sys.argv[1] if len(sys.argv) > 1 else "assets-out"
    for sub in ("pictures", "music", "se", "seloop", "voice"):
        os.makedirs(os.path.join(out, sub), exist_ok=True)
    pic = lambda name: os.path.join(out, "pictures", name + ".png")

    hill_sky().save_png(pic("A001"))
    sea().save_png(pic("A002"))
    town().save_png(pic("A003"))
    harbour().save_png(pic("A004"))
    harbour_parts().save_png(pic("P004"))
    harbour(visited=True).save_png(pic("W004"))
    for n, (hair, cloth, long_hair) in (("001", ((60, 40, 30), (60, 90, 170), False)),
                                         ("002", ((30, 25, 35), (190, 70, 80), True))):
        img, mask = sprite(hair, cloth, long_hair=long_hair)
        img.save_png(pic("B" + n))
        mask.save_png(pic("M" + n))
    button_strip(560, (60, 80, 150), (25, 35, 80), 210, (150, 170, 230)).save_png(pic("sys_sw"))
    button_strip(560, (150, 80, 60), (80, 35, 25), 210, (230, 170, 150)).save_png(pic("sys_sw2"))
    name_plate().save_png(pic("dy_base"))
    quick_buttons().save_png(pic("sys_qbtn"))
    auto_bar().save_png(pic("AUTO_BAR"))
    auto_cursor().save_png(pic("AUTO_CR"))
    click_wait().save_png(pic("sys_clickw"))
    Canvas(8, 8).save_png(pic("sys_empty"))

    # Spring on the hill: C, Am, F, G; the loop starts after a four-beat arpeggio.
    m01, loop01 = music([(60, 64, 67), (57, 60, 64), (53, 57, 60), (55, 59, 62)],
                        [76, 79, 81, 79, 76, 72, 74, 76, 77, 76, 74, 72, 74, 0, 71, 0],
                        0.42, 4)
    write_wav(os.path.join(out, "music", "M01.wav"), m01)
    # Dusk in town: slower, Fmaj7-ish colours.
    m02, loop02 = music([(53, 57, 64), (55, 59, 62), (52, 55, 60), (57, 60, 64)],
                        [72, 0, 74, 76, 74, 0, 71, 0, 72, 0, 67, 69, 69, 0, 0, 0],
                        0.6, 0)
    write_wav(os.path.join(out, "music", "M02.wav"), m02)
    with open(os.path.join(out, "music", "loops.txt"), "w") as f:
        f.write("M01 %.3f\nM02 %.3f\n" % (loop01, loop02))
    write_wav(os.path.join(out, "se", "SE01.wav"), chime())
    write_wav(os.path.join(out, "se", "SE02.wav"), steps())
    write_wav(os.path.join(out, "seloop", "SEL01.wav"), waves())
    write_wav(os.path.join(out, "voice", "V0001.wav"), voice(260, "aoiae"))
    write_wav(os.path.join(out, "voice", "V0002.wav"), voice(180, "ouiea"))


if __name__ == "__main__":
    main()
