#!/usr/bin/env python3
"""Draws the program's own icons and bitmaps into res/images.

Run it again only to change the pictures; the files it writes are kept in the
repository. Each picture is named after the resource number it stands for.
"""
import math
import os
import struct
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
OUT = os.path.join(HERE, "..", "res", "images")


class Canvas:
    def __init__(self, width, height, fill=(0, 0, 0, 0)):
        self.width = width
        self.height = height
        self.pixels = [[fill for _ in range(width)] for _ in range(height)]

    def set(self, x, y, colour):
        if 0 <= x < self.width and 0 <= y < self.height:
            self.pixels[y][x] = colour

    def rect(self, x0, y0, x1, y1, colour):
        for y in range(y0, y1 + 1):
            for x in range(x0, x1 + 1):
                self.set(x, y, colour)

    def disc(self, cx, cy, r, colour):
        for y in range(self.height):
            for x in range(self.width):
                d = math.hypot(x + 0.5 - cx, y + 0.5 - cy)
                if d <= r - 0.5:
                    self.set(x, y, colour)
                elif d <= r + 0.5:
                    a = int(colour[3] * (r + 0.5 - d))
                    if a > self.pixels[y][x][3]:
                        self.set(x, y, colour[:3] + (a,))

    def ring(self, cx, cy, r, colour):
        for y in range(self.height):
            for x in range(self.width):
                if abs(math.hypot(x + 0.5 - cx, y + 0.5 - cy) - r) < 0.6:
                    self.set(x, y, colour)

    def line(self, x0, y0, x1, y1, colour, width=1):
        steps = max(abs(x1 - x0), abs(y1 - y0)) * 4 + 1
        for i in range(steps + 1):
            x = x0 + (x1 - x0) * i / steps
            y = y0 + (y1 - y0) * i / steps
            for dx in range(width):
                for dy in range(width):
                    self.set(int(round(x)) + dx, int(round(y)) + dy, colour)

    def grey(self):
        out = Canvas(self.width, self.height)
        for y in range(self.height):
            for x in range(self.width):
                r, g, b, a = self.pixels[y][x]
                v = int(0.3 * r + 0.59 * g + 0.11 * b)
                out.pixels[y][x] = (v, v, v, a)
        return out

    def turned(self):
        """The picture turned by a right angle (x becomes y)."""
        out = Canvas(self.height, self.width)
        for y in range(self.height):
            for x in range(self.width):
                out.pixels[x][y] = self.pixels[y][x]
        return out


def save_png(canvas, name):
    raw = b"".join(b"\x00" + b"".join(struct.pack("BBBB", *p) for p in row) for row in canvas.pixels)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", canvas.width, canvas.height, 8, 6, 0, 0, 0))
    png += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(os.path.join(OUT, name), "wb") as f:
        f.write(png)


def save_ico(canvas, path):
    w, h = canvas.width, canvas.height
    xor = b"".join(
        b"".join(struct.pack("BBBB", p[2], p[1], p[0], p[3]) for p in canvas.pixels[y]) for y in reversed(range(h))
    )
    stride = ((w + 31) // 32) * 4
    mask = bytearray()
    for y in reversed(range(h)):
        row = bytearray(stride)
        for x in range(w):
            if canvas.pixels[y][x][3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        mask += row
    header = struct.pack("<IiiHHIIiiII", 40, w, h * 2, 1, 32, 0, len(xor) + len(mask), 0, 0, 0, 0)
    image = header + xor + bytes(mask)
    ico = struct.pack("<HHH", 0, 1, 1) + struct.pack("<BBBBHHII", w % 256, h % 256, 0, 0, 1, 32, len(image), 22)
    with open(path, "wb") as f:
        f.write(ico + image)


BLACK = (0, 0, 0, 255)
WHITE = (255, 255, 255, 255)


def status_icon(colour, glyph):
    c = Canvas(32, 32)
    c.disc(16, 16, 14, colour)
    glyph(c)
    return c


def error_glyph(c):
    c.rect(14, 7, 17, 19, WHITE)
    c.rect(14, 22, 17, 25, WHITE)


def checking_glyph(c):
    for x in (9, 16, 23):
        c.disc(x, 16, 2.2, WHITE)


def disabled_glyph(c):
    c.line(9, 22, 22, 9, WHITE, 3)


def strip_row():
    # 7 by 300: hide, minimise, row/column, then the grip.
    c = Canvas(7, 300, (192, 192, 192, 255))
    for y in (5, 11, 17):
        c.rect(0, y, 6, y, BLACK)
    for i in range(5):  # a small cross
        c.set(i, i, BLACK)
        c.set(4 - i, i, BLACK)
    c.rect(1, 8, 4, 9, BLACK)  # a short bar
    c.ring(2.5, 14.5, 2.0, BLACK)  # a small open ring
    for x in (1, 4):  # grip lines
        c.rect(x, 22, x, 296, (128, 128, 128, 255))
    return c


def desktop():
    c = Canvas(32, 32)
    c.rect(2, 4, 29, 23, (50, 54, 62, 255))
    for y in range(6, 22):
        t = (y - 6) / 15
        c.rect(4, y, 27, y, (int(40 + 60 * t), int(110 + 60 * t), int(200 + 40 * t), 255))
    c.rect(6, 8, 12, 12, (255, 255, 255, 200))
    c.rect(13, 24, 18, 26, (80, 84, 92, 255))
    c.rect(8, 27, 23, 28, (80, 84, 92, 255))
    return c


def small(draw):
    c = Canvas(16, 16)
    draw(c)
    return c


INK = (40, 48, 60, 255)
BLUE = (40, 110, 200, 255)
RED = (200, 40, 40, 255)
GREEN = (40, 150, 60, 255)
AMBER = (220, 150, 30, 255)


def about(c):
    c.disc(8, 8, 7, BLUE)
    c.rect(7, 7, 8, 12, WHITE)
    c.rect(7, 4, 8, 5, WHITE)


def help_(c):
    c.disc(8, 8, 7, GREEN)
    c.rect(6, 4, 9, 4, WHITE)
    c.rect(10, 5, 10, 7, WHITE)
    c.rect(8, 8, 9, 9, WHITE)
    c.rect(7, 12, 8, 13, WHITE)


def exit_(c):
    c.line(3, 3, 12, 12, RED, 2)
    c.line(12, 3, 3, 12, RED, 2)


def reset_position(c):
    c.ring(8, 8, 5, INK)
    c.rect(7, 1, 8, 14, INK)
    c.rect(1, 7, 14, 8, INK)


def log_folder(c):
    c.rect(1, 4, 6, 5, AMBER)
    c.rect(1, 5, 14, 13, AMBER)
    c.rect(2, 7, 13, 12, (250, 205, 110, 255))


def show(c):
    c.rect(1, 3, 14, 13, INK)
    c.rect(2, 5, 13, 12, WHITE)
    c.rect(2, 3, 13, 4, BLUE)


def options(c):
    c.disc(8, 8, 6, INK)
    c.disc(8, 8, 2.5, WHITE)
    for dx, dy in ((0, -7), (0, 6), (-7, 0), (6, 0)):
        c.rect(7 + dx, 7 + dy, 8 + dx, 8 + dy, INK)


def arrow_box(up):
    def draw(c):
        c.rect(2, 10, 13, 14, INK)
        c.rect(3, 11, 12, 13, WHITE)
        c.rect(7, 1, 8, 8, BLUE)
        tip = 1 if up else 8
        for i in range(4):
            y = tip + i if up else tip - i
            c.rect(7 - i, y, 8 + i, y, BLUE)
    return draw


def reset_config(c):
    c.ring(8, 8, 5.5, RED)
    c.rect(9, 1, 13, 4, (0, 0, 0, 0))
    c.rect(10, 1, 13, 2, RED)
    c.rect(12, 1, 13, 5, RED)


def check(c):
    c.line(2, 8, 6, 12, GREEN, 2)
    c.line(6, 12, 13, 3, GREEN, 2)


def send(c):
    c.rect(1, 4, 14, 12, INK)
    c.rect(2, 5, 13, 11, WHITE)
    c.line(2, 5, 7, 9, INK)
    c.line(13, 5, 8, 9, INK)


def test_sound(c):
    c.rect(2, 6, 4, 10, INK)
    for i in range(4):
        c.rect(5 + i, 5 - i, 5 + i, 11 + i, INK)
    c.ring(8, 8, 4.5, BLUE)
    c.rect(3, 1, 8, 15, (0, 0, 0, 0))
    c.rect(2, 6, 4, 10, INK)
    for i in range(4):
        c.rect(5 + i, 5 - i, 5 + i, 11 + i, INK)


def apply_(c):
    c.line(2, 8, 6, 12, BLUE, 2)
    c.line(6, 12, 13, 3, BLUE, 2)


FRAME = (40, 40, 40, 255)
EDGE = (192, 192, 192, 255)
TILES = [(110, 200, 120, 255), (121, 121, 121, 255), (254, 209, 197, 255)]
INSTANCE_COLOURS = [(40, 150, 60, 255), (40, 100, 220, 255), (230, 120, 20, 255)]
DIGITS = {
    1: [".#.", "##.", ".#.", ".#.", "###"],
    2: ["##.", "..#", ".#.", "#..", "###"],
    3: ["##.", "..#", ".#.", "..#", "##."],
}


def program_icon(size, instance=None):
    """The strip drawn for one size, filling the square: a dark frame, the
    light edge strip at the left and three tiles (up, down, closed). With an
    instance (0, 1, 2) a badge in the lower right corner carries its number
    on the instance's colour, readable at 16 pixels."""
    c = Canvas(size, size)
    b = max(1, size // 16)  # frame and separators
    e = max(2, round(size * 2 / 16))  # edge strip
    c.rect(0, 0, size - 1, size - 1, FRAME)
    c.rect(b, b, b + e - 1, size - 1 - b, EDGE)
    x = b + e + b
    room = size - b - x - 2 * b
    widths = [room // 3 + (1 if i < room % 3 else 0) for i in range(3)]
    for width, colour in zip(widths, TILES):
        c.rect(x, b, x + width - 1, size - 1 - b, colour)
        if size >= 32:  # a name line in each tile
            line = max(1, size // 32)
            y = size - 1 - b - 3 * line
            c.rect(x + line, y, x + width - 1 - line, y + line - 1, (60, 60, 60, 255))
        x += width + b
    if instance is not None:
        k = max(1, size // 16)
        w, h = 3 * k + 4 * k, 5 * k + 4 * k
        x0, y0 = size - w, size - h
        c.rect(x0, y0, size - 1, size - 1, WHITE)
        c.rect(x0 + k, y0 + k, size - 1 - k, size - 1 - k, INSTANCE_COLOURS[instance])
        for row, bits in enumerate(DIGITS[instance + 1]):
            for col, bit in enumerate(bits):
                if bit == "#":
                    c.rect(x0 + 2 * k + col * k, y0 + 2 * k + row * k,
                           x0 + 3 * k - 1 + col * k, y0 + 3 * k - 1 + row * k, WHITE)
    return c


PROGRAM_SIZES = (16, 22, 24, 32, 48, 256)
TRAY_SIZES = (16, 22, 24, 32)


os.makedirs(OUT, exist_ok=True)
for number, draw in ((141, about), (142, help_), (147, exit_), (218, reset_position), (197, log_folder),
                     (151, show), (146, options), (177, arrow_box(False)), (178, arrow_box(True)),
                     (184, reset_config), (143, check), (206, check), (205, test_sound), (207, exit_),
                     (208, apply_), (211, send)):
    save_png(small(draw), "%d.png" % number)
# The notification icons of the three instances, one picture per tray size.
for instance, number in enumerate((166, 220, 234)):
    for size in TRAY_SIZES:
        save_png(program_icon(size, instance), "%d-%d.png" % (number, size))
# The program's icon: the window icon, the About dialog's, and the icon
# theme's pictures that `cmake --install` puts in share/icons/hicolor.
for size in PROGRAM_SIZES:
    save_png(program_icon(size), "korvalen-%d.png" % size)
save_png(program_icon(32), "192.png")
save_png(program_icon(32), "128.png")
save_png(status_icon((200, 40, 40, 255), error_glyph), "248.png")
save_png(status_icon((40, 110, 200, 255), checking_glyph), "249.png")
save_png(status_icon((130, 130, 130, 255), disabled_glyph), "255.png")
save_png(strip_row(), "153.png")
save_png(strip_row().turned(), "152.png")
save_ico(desktop(), os.path.join(OUT, "1274607096_Desktop.ico"))
save_ico(desktop().grey(), os.path.join(OUT, "1274607096_Desktop_bw.ico"))


# The pictures of the box context menu's rows.
def add_box(c):
    c.rect(1, 3, 10, 12, INK)
    c.rect(2, 4, 9, 11, WHITE)
    c.rect(11, 5, 12, 12, GREEN)
    c.rect(8, 8, 15, 9, GREEN)


def edit_box(c):
    c.rect(1, 3, 10, 12, INK)
    c.rect(2, 4, 9, 11, WHITE)
    c.line(6, 13, 14, 5, AMBER, 2)
    c.rect(5, 13, 6, 14, INK)


def delete_box(c):
    c.rect(1, 3, 10, 12, INK)
    c.rect(2, 4, 9, 11, WHITE)
    c.line(8, 8, 14, 14, RED, 2)
    c.line(14, 8, 8, 14, RED, 2)


def share(c):
    c.rect(1, 3, 6, 4, AMBER)
    c.rect(1, 4, 14, 11, AMBER)
    c.rect(2, 6, 13, 10, (250, 205, 110, 255))
    c.rect(7, 11, 8, 13, INK)
    c.rect(3, 13, 12, 14, INK)


def net_message(c):
    c.rect(1, 3, 14, 12, INK)
    c.rect(2, 4, 13, 11, WHITE)
    c.line(2, 4, 7, 8, INK)
    c.line(13, 4, 8, 8, INK)


def web(c):
    # A globe: meridians as ellipses, the equator and two parallels.
    c.disc(8, 8, 7, BLUE)
    for y in range(16):
        for x in range(16):
            dx, dy = x + 0.5 - 8, y + 0.5 - 8
            if dx * dx + dy * dy > 42:
                continue
            if abs(math.hypot(dx / 0.45, dy) - 6.5) < 0.8 or abs(dy) < 0.6 or abs(abs(dy) - 3.5) < 0.5:
                c.set(x, y, WHITE)


def ftp(c):
    c.rect(1, 2, 14, 13, INK)
    c.rect(2, 3, 13, 12, WHITE)
    c.rect(4, 5, 5, 10, BLUE)
    for i in range(3):
        c.rect(3 - i + 1, 5 + i, 6 + i - 1, 5 + i, BLUE)
    c.rect(10, 4, 11, 8, GREEN)
    for i in range(3):
        c.rect(8 + i, 8 + i, 13 - i, 8 + i, GREEN)


def ping(c):
    c.disc(3, 12, 2, GREEN)
    c.ring(3, 12, 5, GREEN)
    c.ring(3, 12, 9, GREEN)


def remote_desktop(c):
    c.rect(1, 2, 14, 11, INK)
    c.rect(2, 3, 13, 10, BLUE)
    c.rect(6, 12, 9, 12, INK)
    c.rect(4, 13, 11, 14, INK)
    c.line(4, 8, 9, 5, WHITE)
    c.rect(8, 5, 10, 6, WHITE)


def arrow(direction):
    def draw(c):
        for i in range(6):
            c.rect(7 - i, 3 + i, 8 + i, 3 + i, BLUE)
        c.rect(6, 9, 9, 13, BLUE)
    def turned(c):
        draw(c)
        if direction == "up":
            return
        out = [row[:] for row in c.pixels]
        for y in range(16):
            for x in range(16):
                if direction == "down":
                    c.pixels[y][x] = out[15 - y][x]
                elif direction == "left":
                    c.pixels[y][x] = out[x][y]
                else:
                    c.pixels[y][x] = out[15 - x][y]
    return turned


def duplicate(c):
    c.rect(1, 1, 9, 9, INK)
    c.rect(2, 2, 8, 8, WHITE)
    c.rect(6, 6, 14, 14, INK)
    c.rect(7, 7, 13, 13, (200, 220, 250, 255))


def information(c):
    c.disc(8, 8, 7, BLUE)
    c.rect(7, 3, 8, 4, WHITE)
    c.rect(7, 6, 8, 12, WHITE)
    c.rect(6, 12, 9, 12, WHITE)


def custom_app(c):
    c.rect(1, 2, 14, 13, INK)
    c.rect(2, 5, 13, 12, WHITE)
    c.rect(2, 3, 13, 4, GREEN)
    c.rect(4, 7, 6, 7, INK)
    c.rect(4, 9, 10, 9, INK)


def customize(c):
    custom_app(c)
    c.disc(11, 11, 4, INK)
    c.disc(11, 11, 1.5, WHITE)


def disable(c):
    c.disc(8, 8, 7, RED)
    c.disc(8, 8, 5, WHITE)
    c.line(4, 11, 11, 4, RED, 2)


def enable(c):
    c.disc(8, 8, 7, GREEN)
    c.line(4, 8, 7, 11, WHITE, 2)
    c.line(7, 11, 12, 5, WHITE, 2)


for number, draw in ((135, add_box), (136, edit_box), (137, delete_box), (171, share), (175, net_message),
                     (176, web), (179, ftp), (188, ping), (190, remote_desktop), (193, arrow("left")),
                     (194, arrow("right")), (195, arrow("up")), (196, arrow("down")), (201, duplicate),
                     (215, information), (253, custom_app), (254, customize), (256, disable), (257, enable)):
    save_png(small(draw), "%d.png" % number)
