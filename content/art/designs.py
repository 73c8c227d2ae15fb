#!/usr/bin/python3
"""Checks, normalises and renders the page designs (temp311.htx files).

    /usr/bin/python3 content/art/designs.py check     # conventions every template must keep
    /usr/bin/python3 content/art/designs.py crlf      # rewrite templates with CR LF line ends
    /usr/bin/python3 content/art/designs.py render [NAME...]  # sample pages to PNG, chooser previews

`render` needs Debian's chromium. It fills each template with sample text the
way page generation does, screenshots it at desktop and phone width into
/tmp/pagewright-designs/, and writes the 148 x 108 chooser pictures to
shell/resources/designN.png, and twice as large to designN@2x.png.
"""
import re
import shutil
import subprocess
import sys
import tempfile
from pathlib import Path

from PIL import Image

ROOT = Path(__file__).resolve().parents[2]
CONTENT = ROOT / "content"
DESIGNS = {"default": CONTENT, "comp1": CONTENT / "designs" / "comp1",
           "comp2": CONTENT / "designs" / "comp2", "comp3": CONTENT / "designs" / "comp3"}
PREVIEWS = ROOT / "shell" / "resources"  # the main menu shows them, so they are program resources
PREVIEW_SIZE = (148, 108)  # the chooser's Image4..Image6, 2220 x 1620 twips
OUTPUT = Path("/tmp/pagewright-designs")

PLACEHOLDERS = ["%%titlez%%", "%%keyword%%", "%%content%%", "%%texta%%", "%%textb%%",
                "%%footer%%", "%%1%%", "%%2%%", "%%3%%"]
REQUIRED_SNIPPETS = ['<a class=MainNav href="index.html">%%1%%</a>',
                     '<a class=MainNav href="page2.html">%%2%%</a>',
                     '<a class=MainNav href="page3.html">%%3%%</a>',
                     '<a href="index.html">%%1%%</a>', '<a href="page2.html">%%2%%</a>',
                     '<a href="page3.html">%%3%%</a>', "<title>%%titlez%%</title>"]

SECTION_A = """<h2>Fresh ideas, friendly service</h2>
<p>For over twenty years Harbour Street Bakery has baked bread, cakes and pastries the slow way: real butter, stone-ground flour and plenty of patience. Everything is made on the premises every morning before the doors open.</p>
<p>We cater for birthdays, weddings and office breakfasts. Tell us what you need and we will make it happen, large order or small.</p>
<h3>What we offer</h3>
<ul><li>Sourdough and rye loaves, baked daily</li><li>Celebration cakes made to order</li><li>Breakfast platters for offices and events</li></ul>
<p>Call in for a coffee and a warm croissant, or <a href="page3.html">find out more about us</a>.</p>"""

SECTION_B = """<h3>Opening hours</h3>
<p>Monday to Friday: 7am - 6pm<br>Saturday: 8am - 4pm<br>Sunday: closed</p>
<h3>Find us</h3>
<p>12 Harbour Street<br>Telephone 0123 456 789</p>"""

FOOTER = 'Powered by <a href="http://www.example.com/"><font color=#000000>example.com</font></a>'


def read_template(path):
    """The template as generation sees it: lines end at CR LF or a lone CR."""
    data = path.read_bytes().decode("latin-1")
    lines = re.split(r"\r\n|\r", data)
    if lines and lines[-1] == "":
        lines.pop()
    return "".join(line + "\r\n" for line in lines)


def replace_all(text, search, replacement):
    return re.sub(re.escape(search), lambda _: replacement, text, flags=re.IGNORECASE)


def generate(template, page, names=("Home", "News", "About us")):
    """A faithful enough copy of page generation for looking at a design."""
    squash = [n.replace(" ", "").lower() for n in names]
    text = replace_all(template, "%%title%%", names[page - 1])
    if page == 1:
        text = replace_all(text, '<a href="index.html">', "")
    steps = [("%%texta%%", SECTION_A), ("%%footer%%", FOOTER), ("%%textb%%", SECTION_B),
             ("%%1%%", names[0]), ("%%2%%", names[1]), ("%%3%%", names[2]),
             ("%%keyword%%", "bakery, cakes, bread"), ("%%content%%", "A family bakery"),
             ("%%titlez%%", "Welcome to Harbour Street Bakery"),
             ("page2.html", squash[1] + ".html"), ("page3.html", squash[2] + ".html")]
    for search, replacement in steps:
        text = replace_all(text, search, replacement)
    return text


def check():
    """Reports every broken convention; returns the number of problems."""
    problems = []
    for name, folder in DESIGNS.items():
        path = folder / "temp311.htx"
        data = path.read_bytes()
        if re.search(rb"(?<!\r)\n|\r(?!\n)", data):
            problems.append(f"{name}: line ends other than CR LF")
        if any(byte > 127 for byte in data):
            problems.append(f"{name}: bytes outside ASCII (use HTML entities)")
        text = data.decode("latin-1")
        for placeholder in PLACEHOLDERS:
            if placeholder not in text:
                problems.append(f"{name}: {placeholder} missing")
        for snippet in REQUIRED_SNIPPETS:
            if snippet not in text:
                problems.append(f"{name}: {snippet} missing")
        if text.count("%%titlez%%") < 2:
            problems.append(f"{name}: %%titlez%% should be in the title and the heading")
        leftover = re.sub("|".join(re.escape(p) for p in PLACEHOLDERS), "", text)
        if "%%" in leftover:
            problems.append(f"{name}: stray %% outside a placeholder")
        for picture in re.findall(r"(graf\w*\.(?:gif|jpg|png))", text):
            if not (folder / picture).exists():
                problems.append(f"{name}: {picture} is used but not in the design")
        for required in ("stock", "graf1.gif"):
            if not (folder / required).exists():
                problems.append(f"{name}: {required} missing")
    for problem in problems:
        print(problem)
    print("templates ok" if not problems else f"{len(problems)} problem(s)")
    return len(problems)


def to_crlf():
    for folder in DESIGNS.values():
        path = folder / "temp311.htx"
        if not path.exists():
            continue
        lines = re.split(r"\r\n|\r|\n", path.read_bytes().decode("latin-1"))
        if lines and lines[-1] == "":
            lines.pop()
        path.write_bytes("".join(line + "\r\n" for line in lines).encode("latin-1"))


def screenshot(page, png, width, height):
    profile = tempfile.mkdtemp()
    try:
        subprocess.run(["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic",
                        "--no-first-run", "--disable-background-networking", "--disable-component-update",
                        "--disable-sync", "--hide-scrollbars", f"--user-data-dir={profile}",
                        "--virtual-time-budget=3000", f"--screenshot={png}", f"--window-size={width},{height}",
                        page.as_uri()], check=True, capture_output=True)
    finally:
        shutil.rmtree(profile, ignore_errors=True)


def render(names):
    OUTPUT.mkdir(parents=True, exist_ok=True)
    PREVIEWS.mkdir(parents=True, exist_ok=True)
    for name in names:
        folder = DESIGNS[name]
        site = OUTPUT / name
        site.mkdir(exist_ok=True)
        for picture in folder.iterdir():
            if picture.is_file() and picture.name != "temp311.htx":
                shutil.copy(picture, site / picture.name)
        template = read_template(folder / "temp311.htx")
        for page, file_name in ((1, "index.html"), (3, "aboutus.html")):
            (site / file_name).write_bytes(generate(template, page).encode("utf-8"))
        screenshot(site / "index.html", OUTPUT / f"{name}-desktop.png", 1280, 1500)
        screenshot(site / "index.html", OUTPUT / f"{name}-phone.png", 390, 1500)
        screenshot(site / "aboutus.html", OUTPUT / f"{name}-wide.png", 1600, 1100)
        # The chooser picture is the top of the page, reduced.
        top = OUTPUT / f"{name}-top.png"
        screenshot(site / "index.html", top, 960, round(960 * PREVIEW_SIZE[1] / PREVIEW_SIZE[0]))
        if name != "default":  # and twice as large, for dense screens
            for suffix, k in (("", 1), ("@2x", 2)):
                size = (PREVIEW_SIZE[0] * k, PREVIEW_SIZE[1] * k)
                Image.open(top).convert("RGB").resize(size, Image.LANCZOS).save(
                    PREVIEWS / f"design{name[-1]}{suffix}.png", optimize=True)
        print(f"{name}: rendered to {OUTPUT}")


if __name__ == "__main__":
    command = sys.argv[1] if len(sys.argv) > 1 else "check"
    if command == "crlf":
        to_crlf()
    elif command == "render":
        render(sys.argv[2:] or list(DESIGNS))
    else:
        sys.exit(1 if check() else 0)
