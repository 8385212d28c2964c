#!/usr/bin/env python3
"""Draws the board picture and the window icon and synthesises the click and the alarm tone, into src/assets/.

The outputs are committed; run this again only to change them. It needs nothing beyond Python.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
ASSETS = os.path.join(HERE, "..", "src", "assets")

WHITE = (255, 255, 255)
PCB = (24, 120, 48)
PCB_EDGE = (14, 80, 30)
TRACE = (60, 160, 80)
TERMINAL = (20, 90, 170)
SCREW = (190, 190, 190)
METAL = (200, 200, 205)
METAL_DARK = (120, 120, 128)
CHIP = (30, 30, 30)
PIN = (210, 210, 210)
LED = (230, 40, 40)
CAP = (40, 40, 140)


class Canvas:
    def __init__(self, width, height, colour=WHITE):
        self.width, self.height = width, height
        self.pixels = [[colour] * width for _ in range(height)]

    def rect(self, x, y, w, h, colour):
        for row in range(max(0, y), min(self.height, y + h)):
            for col in range(max(0, x), min(self.width, x + w)):
                self.pixels[row][col] = colour

    def frame(self, x, y, w, h, colour):
        self.rect(x, y, w, 1, colour)
        self.rect(x, y + h - 1, w, 1, colour)
        self.rect(x, y, 1, h, colour)
        self.rect(x + w - 1, y, 1, h, colour)

    def disc(self, cx, cy, r, colour):
        for row in range(cy - r, cy + r + 1):
            for col in range(cx - r, cx + r + 1):
                if (row - cy) ** 2 + (col - cx) ** 2 <= r * r and 0 <= row < self.height and 0 <= col < self.width:
                    self.pixels[row][col] = colour


def draw_board():
    c = Canvas(120, 160)
    c.rect(8, 6, 104, 148, PCB)
    c.frame(8, 6, 104, 148, PCB_EDGE)
    for x, y in ((12, 10), (107, 10), (12, 149), (107, 149)):
        c.disc(x, y, 2, WHITE)
    # Traces between the parts.
    for y in range(40, 120, 9):
        c.rect(20, y, 80, 1, TRACE)
    for x in range(30, 100, 14):
        c.rect(x, 30, 1, 100, TRACE)
    # Network jack at the top, power jack and serial port.
    c.rect(38, 1, 30, 26, METAL)
    c.frame(38, 1, 30, 26, METAL_DARK)
    c.rect(44, 4, 18, 10, METAL_DARK)
    c.rect(76, 2, 16, 18, CHIP)
    c.disc(84, 11, 3, METAL_DARK)
    # Screw terminals along both long edges: the inputs.
    for side_x in (2, 104):
        c.rect(side_x, 34, 14, 90, TERMINAL)
        for k in range(8):
            c.disc(side_x + 7, 40 + k * 11, 3, SCREW)
            c.rect(side_x + 5, 40 + k * 11, 5, 1, METAL_DARK)
    # The microcontroller with its pins.
    c.rect(36, 56, 48, 20, CHIP)
    for k in range(12):
        c.rect(38 + k * 4, 52, 2, 4, PIN)
        c.rect(38 + k * 4, 76, 2, 4, PIN)
    # The network controller, a crystal, capacitors and a status LED.
    c.rect(44, 92, 30, 16, CHIP)
    for k in range(7):
        c.rect(46 + k * 4, 89, 2, 3, PIN)
        c.rect(46 + k * 4, 108, 2, 3, PIN)
    c.rect(80, 95, 10, 5, METAL)
    for x in (26, 90):
        c.disc(x, 120, 4, CAP)
    c.disc(60, 136, 2, LED)
    # Sub-D connector at the bottom.
    c.rect(34, 140, 52, 14, METAL)
    c.frame(34, 140, 52, 14, METAL_DARK)
    for k in range(5):
        c.disc(42 + k * 9, 147, 1, METAL_DARK)
    return c


def write_bmp(path, canvas):
    row_bytes = canvas.width * 3  # 360: a multiple of 4, so rows carry no fill bytes
    pixel_size = row_bytes * canvas.height
    header = struct.pack("<2sIHHI", b"BM", 54 + pixel_size, 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, canvas.width, canvas.height, 1, 24, 0, pixel_size, 2835, 2835, 0, 0)
    body = bytearray()
    for row in reversed(canvas.pixels):  # bottom row first
        for r, g, b in row:
            body += bytes((b, g, r))
    with open(path, "wb") as out:
        out.write(header + info + body)


def click_samples():
    rate, count = 22050, 680
    samples = []
    for n in range(count):
        t = n / rate
        envelope = math.exp(-t / 0.004) * min(1.0, n / 8.0)
        value = envelope * (0.75 * math.sin(2 * math.pi * 2400 * t) + 0.25 * math.sin(2 * math.pi * 5100 * t))
        samples.append(int(round(3000 * value)))
    return samples


def alarm_samples():
    """Two falling two-note chimes, 0.6 s: unlike the click, and heard over a room."""
    rate, note = 22050, 3300
    samples = []
    for frequency in (880, 660, 880, 660):
        for n in range(note):
            t = n / rate
            envelope = min(1.0, n / 220.0) * min(1.0, (note - n) / 660.0)
            value = envelope * (0.8 * math.sin(2 * math.pi * frequency * t) + 0.2 * math.sin(2 * math.pi * 3 * frequency * t))
            samples.append(int(round(6000 * value)))
    return samples


def write_wav(path, samples):
    data = struct.pack("<%dh" % len(samples), *samples)
    fmt = struct.pack("<HHIIHH", 1, 1, 22050, 44100, 2, 16)
    riff = b"WAVE" + b"fmt " + struct.pack("<I", 16) + fmt + b"data" + struct.pack("<I", len(data)) + data
    with open(path, "wb") as out:
        out.write(b"RIFF" + struct.pack("<I", len(riff)) + riff)


def draw_icon():
    c = Canvas(48, 48, (0, 0, 0))
    c.rect(4, 2, 40, 44, PCB)
    c.frame(4, 2, 40, 44, PCB_EDGE)
    c.rect(16, 0, 16, 10, METAL)
    c.rect(0, 14, 7, 24, TERMINAL)
    c.rect(41, 14, 7, 24, TERMINAL)
    for k in range(4):
        c.disc(3, 17 + k * 6, 1, SCREW)
        c.disc(44, 17 + k * 6, 1, SCREW)
    c.rect(15, 20, 18, 10, CHIP)
    for k in range(5):
        c.rect(16 + k * 4, 18, 2, 2, PIN)
        c.rect(16 + k * 4, 30, 2, 2, PIN)
    c.disc(24, 39, 3, LED)
    return c


def icon_transparent(canvas, row, col):
    # The icon's corners around the board's outline stay transparent.
    return canvas.pixels[row][col] == (0, 0, 0)


def write_ico(path, canvas):
    palette = []
    for row in canvas.pixels:
        for colour in row:
            if colour not in palette:
                palette.append(colour)
    assert len(palette) <= 256
    palette += [(0, 0, 0)] * (256 - len(palette))
    size = canvas.width
    xor = bytearray()
    mask = bytearray()
    for row in reversed(range(size)):
        xor += bytes(palette.index(canvas.pixels[row][col]) for col in range(size))
        bits = 0
        line = bytearray()
        for col in range(size):
            bits = (bits << 1) | (1 if icon_transparent(canvas, row, col) else 0)
            if col % 8 == 7:
                line.append(bits)
                bits = 0
        line += bytes(-len(line) % 4)
        mask += line
    info = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 8, 0, len(xor) + len(mask), 0, 0, 256, 0)
    image = info + b"".join(bytes((b, g, r, 0)) for r, g, b in palette) + xor + mask
    header = struct.pack("<HHH", 0, 1, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, 1, 8, len(image), 6 + 16)
    with open(path, "wb") as out:
        out.write(header + entry + image)


def write_png(path, canvas):
    raw = bytearray()
    for row in range(canvas.height):
        raw.append(0)
        for col in range(canvas.width):
            r, g, b = canvas.pixels[row][col]
            raw += bytes((r, g, b, 0 if icon_transparent(canvas, row, col) else 255))

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0)
    with open(path, "wb") as out:
        out.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9)) + chunk(b"IEND", b""))


def main():
    write_bmp(os.path.join(ASSETS, "board.bmp"), draw_board())
    write_wav(os.path.join(ASSETS, "click.wav"), click_samples())
    write_wav(os.path.join(ASSETS, "alarm.wav"), alarm_samples())
    icon = draw_icon()
    write_ico(os.path.join(ASSETS, "icon.ico"), icon)
    write_png(os.path.join(ASSETS, "icon.png"), icon)


if __name__ == "__main__":
    main()
