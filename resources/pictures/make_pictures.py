#!/usr/bin/env python3
"""Draws the built-in pictures of the instruments (run once; the PNGs are
committed). Plain zlib PNG writer, so no imaging package is needed."""
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))


class Canvas:
    def __init__(self, w, h, fill=(0, 0, 0, 0)):
        self.w, self.h = w, h
        self.px = [list(fill) for _ in range(w * h)]

    def set(self, x, y, c):
        if 0 <= x < self.w and 0 <= y < self.h:
            a = c[3] / 255.0 if len(c) > 3 else 1.0
            d = self.px[y * self.w + x]
            if a >= 1.0 or d[3] == 0:
                self.px[y * self.w + x] = [c[0], c[1], c[2], c[3] if len(c) > 3 else 255]
            else:
                for i in range(3):
                    d[i] = round(c[i] * a + d[i] * (1 - a))
                d[3] = max(d[3], round(a * 255))

    def rect(self, x0, y0, x1, y1, c):
        for y in range(y0, y1):
            for x in range(x0, x1):
                self.set(x, y, c)

    def frame(self, x0, y0, x1, y1, c, t=1):
        self.rect(x0, y0, x1, y0 + t, c)
        self.rect(x0, y1 - t, x1, y1, c)
        self.rect(x0, y0, x0 + t, y1, c)
        self.rect(x1 - t, y0, x1, y1, c)

    def vgrad(self, x0, y0, x1, y1, top, bottom):
        n = max(1, y1 - y0 - 1)
        for y in range(y0, y1):
            t = (y - y0) / n
            c = tuple(round(top[i] + (bottom[i] - top[i]) * t) for i in range(3)) + (255,)
            self.rect(x0, y, x1, y + 1, c)

    def hgrad(self, x0, y0, x1, y1, left, right):
        n = max(1, x1 - x0 - 1)
        for x in range(x0, x1):
            t = (x - x0) / n
            c = tuple(round(left[i] + (right[i] - left[i]) * t) for i in range(3)) + (255,)
            self.rect(x, y0, x + 1, y1, c)

    def save(self, name, alpha):
        raw = bytearray()
        for y in range(self.h):
            raw.append(0)
            for x in range(self.w):
                p = self.px[y * self.w + x]
                raw.extend(p if alpha else p[:3])
        ctype = 6 if alpha else 2

        def chunk(tag, data):
            return (struct.pack(">I", len(data)) + tag + data +
                    struct.pack(">I", zlib.crc32(tag + data) & 0xFFFFFFFF))

        png = b"\x89PNG\r\n\x1a\n"
        png += chunk(b"IHDR", struct.pack(">IIBBBBB", self.w, self.h, 8, ctype, 0, 0, 0))
        png += chunk(b"IDAT", zlib.compress(bytes(raw), 9))
        png += chunk(b"IEND", b"")
        with open(os.path.join(HERE, name + ".png"), "wb") as f:
            f.write(png)


def arrow():
    c = Canvas(120, 120, (0xDD, 0xDD, 0xDD, 255))
    g = (0x70, 0x70, 0x70, 255)
    c.rect(18, 48, 66, 72, g)  # shaft
    for x in range(66, 104):  # head, pointing right
        half = round((104 - x) * 34 / 38)
        c.rect(x, 60 - half, x + 1, 60 + half, g)
    c.save("ausgang4", False)


def button(name, top, bottom, border):
    c = Canvas(86, 28)
    c.vgrad(0, 0, 86, 28, top, bottom)
    c.frame(0, 0, 86, 28, border + (255,))
    c.frame(1, 1, 85, 27, (255, 255, 255, 90))
    c.save(name, False)


def switch(name, on):
    c = Canvas(43, 76)
    c.vgrad(0, 0, 43, 76, (0x58, 0x58, 0x58), (0x38, 0x38, 0x38))
    c.frame(0, 0, 43, 76, (0x20, 0x20, 0x20, 255))
    c.rect(8, 6, 35, 70, (0x22, 0x22, 0x22, 255))  # slot
    lever = (9, 7, 34, 38) if on else (9, 38, 34, 69)
    c.vgrad(*lever, (0xE8, 0xE8, 0xE8), (0xA8, 0xA8, 0xA8))
    c.frame(*lever, (0x60, 0x60, 0x60, 255))
    lamp = (0x30, 0xD0, 0x40, 255) if on else (0x40, 0x50, 0x40, 255)
    c.rect(18, 2, 25, 5, lamp)
    c.save(name, False)


def switch_marked():
    c = Canvas(43, 76)
    c.frame(0, 0, 43, 76, (0xFF, 0xC8, 0x40, 255), 2)
    c.rect(2, 2, 41, 74, (0xFF, 0xFF, 0xFF, 40))
    c.save("QXBmpSwitchMarked", True)


def slider_bar():
    c = Canvas(60, 219)
    c.hgrad(0, 0, 60, 219, (0x50, 0x50, 0x50), (0x30, 0x30, 0x30))
    c.frame(0, 0, 60, 219, (0x18, 0x18, 0x18, 255))
    c.rect(27, 33, 33, 186, (0x10, 0x10, 0x10, 255))  # groove between the stops
    for i in range(21):  # a tick per step of the default 20
        y = 35 + round(i * 148 / 20)
        w = 10 if i % 5 == 0 else 6
        c.rect(20 - w, y, 20, y + 1, (0xC0, 0xC0, 0xC0, 255))
        c.rect(40, y, 40 + w, y + 1, (0xC0, 0xC0, 0xC0, 255))
    c.save("QXBmpSliderBar", False)


def slider_marked():
    c = Canvas(60, 219)
    c.frame(0, 0, 60, 219, (0xFF, 0xC8, 0x40, 255), 2)
    c.save("QXBmpSliderMarked", True)


def slider_handle():
    c = Canvas(30, 71)
    c.vgrad(0, 0, 30, 71, (0xF0, 0xF0, 0xF0), (0x90, 0x90, 0x90))
    c.frame(0, 0, 30, 71, (0x40, 0x40, 0x40, 255))
    for y in (30, 35, 40):
        c.rect(5, y, 25, y + 1, (0x50, 0x50, 0x50, 255))
    c.rect(3, 35, 27, 36, (0xD0, 0x20, 0x20, 255))  # centre mark
    c.save("QXBmpSliderHandle", False)


def slider_handle_marked():
    c = Canvas(30, 71)
    c.frame(0, 0, 30, 71, (0xFF, 0xC8, 0x40, 255), 2)
    c.rect(2, 2, 28, 69, (0xFF, 0xFF, 0xFF, 50))
    c.save("QXBmpSliderHandleMarked", True)


arrow()
button("QXBmpButtonUp", (0xE0, 0xE6, 0xEE), (0xA8, 0xB4, 0xC4), (0x50, 0x58, 0x68))
button("QXBmpButtonDown", (0x88, 0x98, 0xB0), (0xB8, 0xC4, 0xD4), (0x30, 0x38, 0x48))
button("QXBmpButtonOver", (0xF0, 0xF6, 0xFF), (0xB8, 0xCC, 0xE8), (0x30, 0x70, 0xC0))
switch("QXBmpSwitchOff", False)
switch("QXBmpSwitchOn", True)
switch_marked()
slider_bar()
slider_marked()
slider_handle()
slider_handle_marked()
