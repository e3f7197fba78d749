#!/usr/bin/python3
"""Loads the HTML pages of `stoka` in headless Chromium: the demo's page and a
page of quantities with hostile names. Each page must load without a single
console message (the pages hold no script, so any message is an injected one
or an error), keep every name as text, and give a screenshot of the asked size
that is not blank.

    check_page.py STOKA [SCREENSHOT.png]

With SCREENSHOT, the demo page's screenshot is also copied there.
"""
import json, os, re, shutil, struct, subprocess, sys, tempfile, zlib

CHROMIUM = "/usr/bin/chromium"
WIDTH, HEIGHT = 900, 1600
HOSTILE = ["<script>console.error('injected 1')</script>",
           "</text><image href=x onerror=console.error('injected 2') />",
           "\"><img src=x onerror=console.error('injected 3')>", "Fit-out & 'extras'"]


def chromium(page, *args):
    command = [CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", "--hide-scrollbars",
               "--enable-logging=stderr", "--v=0", f"--window-size={WIDTH},{HEIGHT}", *args,
               "file://" + page]
    return subprocess.run(command, capture_output=True, text=True, timeout=120)


def pixels(png):
    """The rows of an 8-bit RGB or RGBA PNG, unfiltered."""
    data = open(png, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat, header = 8, b"", None
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        body = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            header = struct.unpack(">IIBBBBB", body)
        elif kind == b"IDAT":
            idat += body
        at += 12 + length
    width, height, depth, colour = header[:4]
    assert depth == 8 and colour in (2, 6), f"unexpected PNG format {depth}/{colour}"
    step = 3 if colour == 2 else 4
    raw, stride, rows, previous = zlib.decompress(idat), width * step, [], bytearray(width * step)
    for y in range(height):
        kind, line = raw[y * (stride + 1)], bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for i in range(stride):
            a = line[i - step] if i >= step else 0
            b, c = previous[i], previous[i - step] if i >= step else 0
            if kind == 1: line[i] = (line[i] + a) & 255
            elif kind == 2: line[i] = (line[i] + b) & 255
            elif kind == 3: line[i] = (line[i] + (a + b) // 2) & 255
            elif kind == 4:
                p = a + b - c
                pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                line[i] = (line[i] + (a if pa <= pb and pa <= pc else b if pb <= pc else c)) & 255
        rows.append(bytes(line))
        previous = line
    return width, height, step, rows


def check(page, shot, failures):
    loaded = chromium(page, f"--screenshot={shot}")
    messages = [l for l in loaded.stderr.splitlines() if "CONSOLE" in l]
    if loaded.returncode != 0 or messages or not os.path.exists(shot):
        failures.append(f"{page}: exit {loaded.returncode}, console: {messages}")
        return
    width, height, step, rows = pixels(shot)
    if (width, height) != (WIDTH, HEIGHT):
        failures.append(f"{shot}: {width} x {height}, not {WIDTH} x {HEIGHT}")
    colours, inked = set(), 0
    for row in rows[::4]:
        for x in range(0, len(row), 4 * step):
            colours.add(row[x:x + 3])
            inked += row[x:x + 3] != b"\xff\xff\xff"
    if len(colours) < 16 or inked < len(rows) * width / 16 / 100:
        failures.append(f"{shot}: blank ({len(colours)} colours, {inked} inked points)")


def main():
    stoka, keep = sys.argv[1], sys.argv[2] if len(sys.argv) > 2 else None
    work, failures = tempfile.mkdtemp(prefix="stoka-page-"), []
    try:
        demo = os.path.join(work, "demo.html")
        subprocess.run([stoka, "demo", "--quiet", "--plot", demo], check=True)
        model = {"title": HOSTILE[0], "description": HOSTILE[2], "samples": 500,
                 "quantities": [{"name": n, "family": "uniform", "min": i, "max": i + 2}
                                for i, n in enumerate(HOSTILE)],
                 "correlations": [{"between": HOSTILE[:2], "coefficient": 0.5}]}
        with open(os.path.join(work, "hostile.json"), "w") as f:
            json.dump(model, f)
        hostile = os.path.join(work, "hostile.html")
        subprocess.run([stoka, "run", "--quiet", "--plot", hostile, os.path.join(work, "hostile.json")],
                       check=True)
        for page in (demo, hostile):
            check(page, page + ".png", failures)
        dom = chromium(hostile, "--dump-dom").stdout
        if re.search(r"<(script|image|img)\b", dom) or HOSTILE[3].replace("&", "&amp;") not in dom:
            failures.append("hostile names became markup: " + dom[:400])
        if keep and not failures:
            shutil.copy(demo + ".png", keep)
    finally:
        shutil.rmtree(work)
    for f in failures:
        print("page check failed:", f)
    print("pages checked in Chromium:", "failed" if failures else "loaded without console messages, not blank")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
