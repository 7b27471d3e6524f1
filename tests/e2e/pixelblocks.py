#!/usr/bin/env python3
"""What a screenshot of an enlarged drive is made of: reads a binary PPM (P6) on standard input and
prints, on one line, `bands LIT`, the lit pixels left of column LEFT and right of column RIGHT
(the black bands beside the picture); `runs H V`, the shortest horizontal and vertical run of one
lit colour anywhere (1 means a sliver: a smoothed edge or a dot not enlarged); and `dots WxH
...`, the size of every lone patch of one colour with black all around and at most 16 pixels
(a star, a town light, a few of them side by side), or `ragged` where it is not a rectangle.
Usage: pixelblocks.py LEFT RIGHT < shot.ppm"""
import sys


def read_ppm(data):
    fields, pos = [], 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        if data[pos:pos + 1] == b"#":
            pos = data.index(b"\n", pos)
            continue
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    assert fields[0] == b"P6" and fields[3] == b"255", "an 8-bit P6 picture"
    width, height = int(fields[1]), int(fields[2])
    pixels = data[pos + 1:pos + 1 + width * height * 3]
    return width, height, pixels


def main():
    left, right = int(sys.argv[1]), int(sys.argv[2])
    width, height, raw = read_ppm(sys.stdin.buffer.read())
    # One integer a pixel, 0 for black.
    px = [raw[i] << 16 | raw[i + 1] << 8 | raw[i + 2] for i in range(0, len(raw), 3)]
    bands = sum(1 for y in range(height) for x in list(range(left)) + list(range(right, width))
                if px[y * width + x])
    shortest_h = shortest_v = 10**9
    for y in range(height):
        row = px[y * width:(y + 1) * width]
        x = 0
        while x < width:
            end = x + 1
            while end < width and row[end] == row[x]:
                end += 1
            if row[x]:
                shortest_h = min(shortest_h, end - x)
            x = end
    for x in range(width):
        y = 0
        while y < height:
            end = y + 1
            while end < height and px[end * width + x] == px[y * width + x]:
                end += 1
            if px[y * width + x]:
                shortest_v = min(shortest_v, end - y)
            y = end
    # Lone dots: the block of one colour a star or town light makes, black on every side.
    seen = set()
    dots = []
    for start, colour in enumerate(px):
        if not colour or start in seen:
            continue
        stack, members = [start], []
        seen.add(start)
        lone = True
        while stack:
            p = stack.pop()
            members.append(p)
            x, y = p % width, p // width
            for nx, ny in ((x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)):
                if 0 <= nx < width and 0 <= ny < height:
                    q = ny * width + nx
                    if px[q] == 0 or q in seen:
                        continue
                    if px[q] != colour:
                        lone = False
                        continue
                    seen.add(q)
                    stack.append(q)
        if len(members) > 16 or not lone:
            continue
        xs = [p % width for p in members]
        ys = [p // width for p in members]
        w, h = max(xs) - min(xs) + 1, max(ys) - min(ys) + 1
        if w * h == len(members):
            dots.append(f"{w}x{h}")
        else:
            dots.append("ragged")
    if shortest_h == 10**9:
        shortest_h = shortest_v = 0
    print(f"bands {bands} runs {shortest_h} {shortest_v} dots {' '.join(dots)}")


main()
