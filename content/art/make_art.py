#!/usr/bin/python3
"""Draws every picture that ships with pagewright: the design graphics
(graf1.gif, graf2.jpg, stock) of the default design and of the three design
packs, and the main menu's pictures in shell/resources.

Run from anywhere with Debian's Python and Pillow (python3-pil):
    /usr/bin/python3 content/art/make_art.py
The output is deterministic (fixed random seeds), so re-running it on an
unchanged script leaves the committed files as they are.
"""
import math
import random
from pathlib import Path

from PIL import Image, ImageChops, ImageDraw, ImageFilter, ImageFont

ROOT = Path(__file__).resolve().parents[2]
CONTENT = ROOT / "content"
RESOURCES = ROOT / "shell" / "resources"
SHARED_PICTURES = ROOT / "shell" / "general" / "pictures"  # pictures of widgets several windows share
EDITOR_PICTURES = ROOT / "editor" / "window" / "pictures"  # the page editor's toolbar

FONT_DIRS = [Path("/usr/share/fonts/truetype/dejavu"),
             Path("/usr/share/fonts/truetype/liberation2"),
             Path("/usr/share/fonts/truetype/liberation")]


def font(name, size):
    for folder in FONT_DIRS:
        if (folder / name).exists():
            return ImageFont.truetype(str(folder / name), size)
    raise FileNotFoundError(f"font {name}: install fonts-dejavu-core and fonts-liberation2")


SANS = "DejaVuSans.ttf"
SANS_BOLD = "DejaVuSans-Bold.ttf"
SANS_COND_BOLD = "DejaVuSansCondensed-Bold.ttf"
SERIF = "LiberationSerif-Regular.ttf"
SERIF_BOLD = "LiberationSerif-Bold.ttf"


def rgb(hex_colour):
    hex_colour = hex_colour.lstrip("#")
    return tuple(int(hex_colour[i:i + 2], 16) for i in (0, 2, 4))


def mix(a, b, t):
    return tuple(round(x + (y - x) * t) for x, y in zip(a, b))


# ---------------------------------------------------------------- drawing aids

def vertical_gradient(size, stops):
    """An RGB image fading through (position 0..1, colour) stops from top to bottom."""
    width, height = size
    column = Image.new("RGB", (1, height))
    for y in range(height):
        t = y / max(1, height - 1)
        for (p0, c0), (p1, c1) in zip(stops, stops[1:]):
            if p0 <= t <= p1:
                column.putpixel((0, y), mix(rgb(c0), rgb(c1), (t - p0) / max(1e-9, p1 - p0)))
                break
    return column.resize((width, height))


def horizontal_gradient(size, left, right):
    width, height = size
    row = Image.new("RGB", (width, 1))
    for x in range(width):
        row.putpixel((x, 0), mix(rgb(left), rgb(right), x / max(1, width - 1)))
    return row.resize((width, height))


def grain(image, amount):
    """Adds fine film grain so large flat areas read as a photograph, not a vector."""
    noise = Image.effect_noise(image.size, 40).convert("RGB")
    return ImageChops.add(ImageChops.subtract(image, noise.point(lambda v: v * amount / 255)),
                          noise.point(lambda v: (255 - v) * amount / 255))


def ridge(width, base, amplitude, seed, roughness=0.55):
    """Heights of a mountain ridge, one per column, by midpoint displacement."""
    rng = random.Random(seed)
    points = 1
    heights = [0.0, 0.0]
    spread = 1.0
    while points < width:
        refined = []
        for a, b in zip(heights, heights[1:]):
            refined += [a, (a + b) / 2 + rng.uniform(-spread, spread)]
        refined.append(heights[-1])
        heights = refined
        points = len(heights) - 1
        spread *= roughness
    step = (len(heights) - 1) / (width - 1)
    return [base - amplitude * heights[round(x * step)] for x in range(width)]


def fill_below(image, heights, colour, blur=0.0):
    """Paints everything below a ridge line, optionally softened for distance."""
    width, height = image.size
    mask = Image.new("L", image.size, 0)
    ImageDraw.Draw(mask).polygon([(0, height)] + [(x, h) for x, h in enumerate(heights)] + [(width, height)], fill=255)
    if blur:
        mask = mask.filter(ImageFilter.GaussianBlur(blur))
    image.paste(Image.new("RGB", image.size, rgb(colour)), (0, 0), mask)


def glow(image, centre, radius, colour, strength):
    """A soft round light (sun, moon, bokeh) added onto the picture."""
    layer = Image.new("L", image.size, 0)
    cx, cy = centre
    ImageDraw.Draw(layer).ellipse((cx - radius, cy - radius, cx + radius, cy + radius), fill=255)
    layer = layer.filter(ImageFilter.GaussianBlur(radius * 0.6))
    layer = layer.point(lambda v: v * strength)
    image.paste(Image.new("RGB", image.size, rgb(colour)), (0, 0), layer)


def disc(image, centre, radius, colour, alpha=255):
    """A crisp antialiased disc, drawn at four times the size and reduced."""
    scale = 4
    cx, cy = centre
    box = (int(cx - radius - 2), int(cy - radius - 2), int(cx + radius + 3), int(cy + radius + 3))
    w, h = box[2] - box[0], box[3] - box[1]
    mask = Image.new("L", (w * scale, h * scale), 0)
    ox, oy = (cx - box[0]) * scale, (cy - box[1]) * scale
    ImageDraw.Draw(mask).ellipse((ox - radius * scale, oy - radius * scale, ox + radius * scale, oy + radius * scale), fill=alpha)
    mask = mask.resize((w, h), Image.LANCZOS)
    image.paste(Image.new("RGB", (w, h), rgb(colour)), box[:2], mask)


def supersampled(size, draw, background, scale=4, k=1):
    """Runs draw(ImageDraw, scale) on a large canvas and reduces it for smooth edges, to
    `size` or, for screens of k device pixels to the point, k times that."""
    big = Image.new("RGBA", (size[0] * scale * k, size[1] * scale * k), background)
    draw(ImageDraw.Draw(big), scale * k)
    return big.resize((size[0] * k, size[1] * k), Image.LANCZOS)


class Canvas:
    """ImageDraw on a picture drawn k times as large as its 1x design: positions, sizes,
    line widths and fonts are given as for 1x, boxes with both corners inclusive. At
    k = 1 every call is ImageDraw's own, so the 1x pictures stay as they were."""

    def __init__(self, image, k=1, mode=None):
        self.image, self.k = image, k
        self.draw = ImageDraw.Draw(image, mode)

    def box(self, xy):
        x0, y0, x1, y1 = xy
        k = self.k
        return (x0 * k, y0 * k, (x1 + 1) * k - 1, (y1 + 1) * k - 1)

    def font(self, face):
        return face if self.k == 1 else face.font_variant(size=face.size * self.k)

    def rectangle(self, xy, **options):
        self.draw.rectangle(self.box(xy), **options)

    def rounded_rectangle(self, xy, radius, width=1, **options):
        self.draw.rounded_rectangle(self.box(xy), radius * self.k, width=width * self.k, **options)

    def line(self, xy, fill, width=1):
        x0, y0, x1, y1 = xy
        if self.k == 1:
            self.draw.line(xy, fill=fill, width=width)
        elif x0 == x1 or y0 == y1:  # a run of whole pixels
            self.rectangle((min(x0, x1), min(y0, y1), max(x0, x1) + width - 1, max(y0, y1)) if x0 == x1 else
                           (min(x0, x1), min(y0, y1), max(x0, x1), max(y0, y1) + width - 1), fill=fill)
        else:
            self.draw.line([v * self.k for v in xy], fill=fill, width=width * self.k)

    def polygon(self, points, **options):
        self.draw.polygon([(x * self.k, y * self.k) for x, y in points], **options)

    def text(self, xy, text, font, **options):
        self.draw.text((xy[0] * self.k, xy[1] * self.k), text, font=self.font(font), **options)

    def disc(self, centre, radius, colour, alpha=255):
        disc(self.image, (centre[0] * self.k, centre[1] * self.k), radius * self.k, colour, alpha)

    def paste(self, picture, xy):
        self.image.paste(picture, (xy[0] * self.k, xy[1] * self.k), picture)


def scaled(size, k):
    return (size[0] * k, size[1] * k)


def save_gif(image, path, background):
    """A GIF with the emblem antialiased against the header colour it sits on."""
    flat = Image.new("RGB", image.size, rgb(background))
    flat.paste(image, (0, 0), image if image.mode == "RGBA" else None)
    flat.convert("P", palette=Image.ADAPTIVE, colors=64).save(path, optimize=True)


def save_jpeg(image, path, quality=84):
    image.convert("RGB").save(path, "JPEG", quality=quality, optimize=True, progressive=True)


# ----------------------------------------------------------- banner artwork

BANNER = (1600, 520)


def banner_mountains():
    """Default design: a calm dawn over layered blue-green mountains."""
    image = vertical_gradient(BANNER, [(0, "#2b5876"), (0.45, "#6fa3b5"), (0.72, "#f6c89f"), (1, "#f9dcc0")])
    glow(image, (1130, 330), 140, "#fff1d6", 0.8)
    disc(image, (1130, 330), 46, "#fff6e6")
    layers = [("#7fa7b3", 360, 170, 11, 3), ("#5c8a9a", 410, 150, 22, 2),
              ("#3d6b7d", 450, 130, 33, 1), ("#24495c", 490, 110, 44, 0.6), ("#17324d", 530, 80, 55, 0)]
    for colour, base, amplitude, seed, blur in layers:
        fill_below(image, ridge(BANNER[0], base, amplitude, seed), colour, blur)
    return grain(image, 10)


def banner_meadow():
    """Design 1: soft green rolling hills under a warm sky."""
    image = vertical_gradient(BANNER, [(0, "#b7d3dc"), (0.6, "#f6ecd2"), (1, "#e9f0d6")])
    glow(image, (360, 210), 180, "#fff4cf", 0.9)
    hills = [("#b9c99a", 330, 40, 0.0015, 1), ("#8fae74", 380, 45, 0.0022, 2),
             ("#5f8b52", 430, 40, 0.0031, 3), ("#2f5d3a", 480, 30, 0.0042, 4)]
    rng = random.Random(7)
    for layer, (colour, base, amplitude, frequency, phase) in enumerate(hills):
        heights = [base - amplitude * math.sin(x * frequency * math.tau / 4 + phase)
                   - amplitude * 0.4 * math.sin(x * frequency * 2.3 + phase * 2) for x in range(BANNER[0])]
        fill_below(image, heights, colour, 1.2)
        if layer in (1, 2):  # round trees standing on the middle hills
            draw = ImageDraw.Draw(image)
            for _ in range(14 if layer == 1 else 9):
                x = rng.randrange(0, BANNER[0])
                r = rng.randrange(7, 11) if layer == 1 else rng.randrange(11, 17)
                ground = heights[x] + 3
                draw.rectangle((x - 1, ground - r * 1.2, x + 1, ground), fill=rgb("#3e4a2e"))
                disc(image, (x, ground - r * 1.5), r, rng.choice(["#3f6e45", "#4d7d4f", "#35603d"]))
    return grain(image, 9)


def banner_studio():
    """Design 2: an abstract gradient with soft floating lights."""
    image = horizontal_gradient(BANNER, "#2a1f7a", "#8e3bb8")
    overlay = vertical_gradient(BANNER, [(0, "#1b1459"), (1, "#d9487c")])
    image = Image.blend(image, overlay, 0.45)
    rng = random.Random(3)
    for _ in range(28):
        x, y = rng.randrange(0, BANNER[0]), rng.randrange(0, BANNER[1])
        glow(image, (x, y), rng.randrange(30, 140), rng.choice(["#ff8fb3", "#9d8bff", "#ffd08a", "#ffffff"]),
             rng.uniform(0.15, 0.45))
    draw = ImageDraw.Draw(image, "RGBA")
    for i in range(9):  # fine sweeping lines give the picture some structure
        points = [(x, 300 + 120 * math.sin(x / 260 + i * 0.35) + i * 14) for x in range(0, BANNER[0] + 20, 20)]
        draw.line(points, fill=(255, 255, 255, 40), width=2)
    return grain(image, 8)


def banner_sea():
    """Design 3: dusk over a quiet sea with a golden path of light."""
    image = vertical_gradient(BANNER, [(0, "#14161c"), (0.5, "#3a3f4d"), (0.62, "#b08d57"), (0.64, "#5a5448"), (1, "#1a1c22")])
    glow(image, (800, 300), 160, "#e9c88a", 0.7)
    disc(image, (800, 300), 40, "#f6e3b8")
    horizon = 330
    fill_below(image, ridge(BANNER[0], horizon + 4, 30, 5, 0.5), "#2c2f38", 0.8)
    draw = ImageDraw.Draw(image)
    draw.rectangle((0, horizon, BANNER[0], BANNER[1]), fill=rgb("#23262e"))
    rng = random.Random(11)
    for row in range(120):  # glints on the water narrow towards the horizon
        y = horizon + 2 + row * 1.6
        spread = 30 + row * 3.2
        for _ in range(6):
            x = 800 + rng.gauss(0, spread)
            length = rng.randrange(6, 22 + row // 3)
            shade = mix(rgb("#c9a45c"), rgb("#23262e"), min(1, abs(x - 800) / (spread * 2.2)))
            draw.line((x - length / 2, y, x + length / 2, y), fill=shade, width=1)
    image.paste(image.crop((0, 0, BANNER[0], horizon)).filter(ImageFilter.GaussianBlur(0.6)), (0, 0))
    return grain(image, 9)


# ---------------------------------------------------------------- emblems

EMBLEM = (112, 112)


def emblem_peaks(draw, s):
    draw.ellipse((4 * s, 4 * s, 108 * s, 108 * s), fill=rgb("#1f8a8a"))
    draw.ellipse((62 * s, 26 * s, 82 * s, 46 * s), fill=rgb("#f28f3b"))
    draw.polygon([(18 * s, 80 * s), (46 * s, 38 * s), (62 * s, 60 * s), (72 * s, 48 * s), (94 * s, 80 * s)], fill=(255, 255, 255))


def lens(start, end, bulge, steps=40):
    """Points of a leaf shape: two circular arcs meeting at start and end."""
    (x0, y0), (x1, y1) = start, end
    dx, dy = x1 - x0, y1 - y0
    nx, ny = -dy, dx
    points = []
    for side in (1, -1):
        for i in range(steps + 1):
            t = i / steps if side == 1 else 1 - i / steps
            lift = side * bulge * math.sin(t * math.pi)
            points.append((x0 + dx * t + nx * lift, y0 + dy * t + ny * lift))
    return points


def emblem_leaf(draw, s):
    draw.rounded_rectangle((4 * s, 4 * s, 108 * s, 108 * s), 30 * s, fill=rgb("#2f5d3a"))
    draw.polygon([(x * s, y * s) for x, y in lens((28, 86), (86, 26), 0.33)], fill=rgb("#a3c48a"))
    draw.polygon([(x * s, y * s) for x, y in lens((28, 86), (86, 26), 0.33)][:41] + [(86 * s, 26 * s)],
                 fill=rgb("#8fb874"))
    draw.line([(24 * s, 90 * s), (76 * s, 38 * s)], fill=rgb("#2f5d3a"), width=4 * s)
    draw.ellipse((72 * s, 70 * s, 90 * s, 88 * s), fill=rgb("#d9a441"))


def emblem_facets(draw, s):
    draw.polygon([(56 * s, 4 * s), (108 * s, 56 * s), (56 * s, 108 * s), (4 * s, 56 * s)], fill=rgb("#7b5cff"))
    draw.polygon([(56 * s, 4 * s), (108 * s, 56 * s), (56 * s, 56 * s)], fill=rgb("#a08bff"))
    draw.polygon([(4 * s, 56 * s), (56 * s, 108 * s), (56 * s, 56 * s)], fill=rgb("#4b36c9"))
    draw.polygon([(56 * s, 56 * s), (108 * s, 56 * s), (56 * s, 108 * s)], fill=rgb("#ff6b9a"))
    draw.ellipse((44 * s, 44 * s, 68 * s, 68 * s), fill=(255, 255, 255))


def emblem_star(draw, s):
    draw.ellipse((4 * s, 4 * s, 108 * s, 108 * s), outline=rgb("#c9a45c"), width=5 * s)
    draw.ellipse((14 * s, 14 * s, 98 * s, 98 * s), outline=rgb("#c9a45c"), width=2 * s)
    points = []
    for i in range(16):
        radius = 34 if i % 2 == 0 else (12 if i % 4 == 1 else 14)
        angle = i * math.tau / 16 - math.pi / 2
        points.append(((56 + radius * math.cos(angle)) * s, (56 + radius * math.sin(angle)) * s))
    draw.polygon(points, fill=rgb("#e2c58a"))


# ------------------------------------------------------- layout schematics

STOCK = (297, 217)  # the builder's layout picture box, 4455 x 3255 twips


def schematic(theme, b_place):
    """The builder's layout picture: a wireframe of the design with the two
    editable sections marked where the builder's click areas expect them:
    section A in the middle, section B at the right, left or top edge."""
    ink, accent_a, accent_b, paper, header = (rgb(c) for c in theme)
    image = Image.new("RGB", STOCK, paper)
    draw = ImageDraw.Draw(image)
    w, h = STOCK

    def plate(text, centre, label_font, rotate=False):
        """A filled label plate; rotated to read upwards in a narrow column."""
        box = draw.textbbox((0, 0), text, font=label_font)
        tw, th = box[2] - box[0], box[3] - box[1]
        tile = Image.new("RGBA", (tw + 12, th + 10), (0, 0, 0, 0))
        tile_draw = ImageDraw.Draw(tile)
        tile_draw.rounded_rectangle((0, 0, tw + 11, th + 9), 5, fill=colour_of_plate[0])
        tile_draw.text(((tw + 12) / 2, (th + 10) / 2), text, font=label_font, fill=(255, 255, 255), anchor="mm")
        if rotate:
            tile = tile.rotate(90, expand=True)
        image.paste(tile, (round(centre[0] - tile.width / 2), round(centre[1] - tile.height / 2)), tile)

    colour_of_plate = [None]

    def section(box, letter, colour):
        x0, y0, x1, y1 = box
        draw.rounded_rectangle(box, 6, fill=mix(colour, (255, 255, 255), 0.82), outline=colour, width=2)
        wide, tall = (x1 - x0) > 80, (y1 - y0) > 40
        if wide and tall:
            for y in range(y0 + 8, y1 - 8, 9):  # faint text lines
                draw.line((x0 + 10, y, x1 - 10 - (y * 7) % 40, y), fill=mix(colour, (255, 255, 255), 0.6), width=2)
        colour_of_plate[0] = colour
        centre = ((x0 + x1) / 2, (y0 + y1) / 2)
        if wide and tall:
            plate(f"SECTION {letter}", centre, font(SANS_BOLD, 15))
        else:
            plate(f"SECTION {letter}", centre, font(SANS_BOLD, 11), rotate=not wide)

    def top_bars(y):
        draw.rectangle((0, y, w, y + 16), fill=header)
        draw.ellipse((6, y + 3, 16, y + 13), fill=accent_a)
        for i in range(3):
            draw.rounded_rectangle((w - 96 + i * 30, y + 5, w - 72 + i * 30, y + 11), 3, fill=mix(header, (255, 255, 255), 0.7))
        draw.rectangle((0, y + 16, w, y + 36), fill=mix(header, accent_a, 0.45))
        draw.rounded_rectangle((12, y + 22, 120, y + 30), 3, fill=(255, 255, 255))
        return y + 36

    def footer():
        draw.rectangle((0, h - 14, w, h), fill=mix(paper, ink, 0.12))
        for i in range(3):
            draw.rounded_rectangle((w / 2 - 45 + i * 32, h - 9, w / 2 - 21 + i * 32, h - 5), 2, fill=mix(paper, ink, 0.45))

    if b_place == "top":
        section((4, 3, w - 4, 27), "B", accent_b)
        body_top = top_bars(30) + 6
        section((10, body_top, w - 10, h - 20), "A", accent_a)
    else:
        body_top = top_bars(0) + 6
        if b_place == "right":
            section((8, body_top, 238, h - 20), "A", accent_a)
            section((246, body_top, w - 6, h - 20), "B", accent_b)
        else:
            section((4, body_top, 46, h - 20), "B", accent_b)
            section((54, body_top, w - 8, h - 20), "A", accent_a)
    footer()
    return image


def write_design(folder, banner, emblem, header_colour, theme, b_place):
    folder.mkdir(parents=True, exist_ok=True)
    save_jpeg(banner(), folder / "graf2.jpg")
    save_gif(supersampled(EMBLEM, emblem, (0, 0, 0, 0)), folder / "graf1.gif", header_colour)
    save_jpeg(schematic(theme, b_place), folder / "stock", quality=90)


# ------------------------------------------------------- main menu pictures

MENU = (641, 482)
NAVY = "#17324d"
TEAL = "#1f8a8a"
ORANGE = "#f28f3b"
PANEL = "#eef1f4"


def px(twips):
    return twips // 15


TAB_LINE = 68  # the tabs stand on this line; a navy rule runs under it


def tab_row(draw, left, tabs):  # draw: a Canvas
    """Tabs (caption, x0, x1, current) on a rule from `left` to the right edge."""
    tab_font = font(SANS_BOLD, 11)
    draw.line((left, TAB_LINE, MENU[0], TAB_LINE), fill=rgb("#cfd8e0"))
    for caption, x0, x1, current in tabs:
        if current:
            draw.rounded_rectangle((x0, 42, x1, TAB_LINE + 4), 6, fill=rgb(NAVY))
            draw.rectangle((x0, TAB_LINE - 2, x1, TAB_LINE + 4), fill=rgb(NAVY))
            draw.text(((x0 + x1) / 2, 56), caption, font=tab_font, fill=(255, 255, 255), anchor="mm")
        else:
            draw.rounded_rectangle((x0, 44, x1, TAB_LINE), 6, fill=rgb("#e6ecf1"), outline=rgb("#cfd8e0"))
            draw.rectangle((x0 + 1, TAB_LINE - 4, x1 - 1, TAB_LINE - 1), fill=rgb("#e6ecf1"))
            draw.text(((x0 + x1) / 2, 57), caption, font=tab_font, fill=rgb(NAVY), anchor="mm")
    draw.rectangle((left, TAB_LINE + 1, MENU[0], TAB_LINE + 4), fill=rgb(NAVY))


def menu_background(k=1):
    image = Image.new("RGB", scaled(MENU, k), (255, 255, 255))
    draw = Canvas(image, k)
    # Left column: light wash behind the page buttons and the logo pane.
    draw.rectangle((0, 38, 222, 452), fill=rgb("#f4f7f9"))
    draw.line((222, 38, 222, 452), fill=rgb("#dde3e8"))
    # Select Page heading beside the three page buttons (24..121, 48..92).
    draw.text((130, 54), "Select Page", font=font(SANS_BOLD, 12), fill=rgb(NAVY))
    draw.text((130, 72), "Pick 1, 2 or 3", font=font(SANS, 10), fill=rgb("#5b6b7a"))
    draw.line((24, 112, 200, 112), fill=rgb("#dde3e8"))
    # Frame around the logo pane (Picture1 at 16,144, 183 x 145).
    draw.rounded_rectangle((12, 140, 203, 293), 6, fill=(255, 255, 255), outline=rgb("#cfd8e0"))
    draw.text((16, 304), "Three pages, one design,", font=font(SANS, 10), fill=rgb("#5b6b7a"))
    draw.text((16, 318), "online in minutes.", font=font(SANS, 10), fill=rgb("#5b6b7a"))
    # Tabs at the top right: Main Menu (current), Edit Pages, Name Pages.
    tab_row(draw, 222, [("Main Menu", 232, 344, True),
                        ("Edit Pages", px(5280) - 2, px(5280) + px(1815) + 2, False),
                        ("Name Pages", px(7440) - 2, px(7440) + px(1695) + 2, False)])
    draw.text((252, 96), "Hello! What would you like to do?", font=font(SANS_BOLD, 15), fill=rgb(NAVY))
    draw.text((252, 120), "Build your pages, give them a design and put them online.", font=font(SANS, 11), fill=rgb("#5b6b7a"))
    # The grey Getting Started panel; its lines sit under the hot-spots.
    draw.rounded_rectangle((252, 150, 616, 392), 10, fill=rgb(PANEL), outline=rgb("#d5dce3"))
    draw.text((276, 166), "Getting Started", font=font(SANS_BOLD, 16), fill=rgb(NAVY))
    draw.line((276, 190, 592, 190), fill=rgb("#cfd8e0"))
    item_font = font(SANS, 12)
    items = [("Edit/Build Web Site", 3120), ("Online Tutorial", 3480),
             ("Change Your Web Site Design", 3960), ("Upload Your Web Site (FTP)", 4320)]
    for caption, top in items:
        centre = px(top) + px(255) / 2
        draw.disc((284, centre), 4, TEAL)
        draw.text((296, centre), caption, font=item_font, fill=rgb("#1f2d3a"), anchor="lm")
    # Hosting offer: a highlighted line in the accent colour.
    top, height = px(5040), px(375)
    draw.rounded_rectangle((290, top - 2, 296 + px(3615), top + height + 2), 6, fill=rgb("#fde7d3"), outline=rgb("#f6c49a"))
    draw.disc((284, top + height / 2), 4, ORANGE)
    draw.text((302, top + height / 2), "Low cost web site hosting", font=font(SANS_BOLD, 12), fill=rgb("#a4511a"), anchor="lm")
    # Dark band along the bottom: the product logo sits at its left end and the
    # program writes "3 page builder" in white across it.
    draw.rectangle((0, 452, MENU[0], MENU[1]), fill=rgb(NAVY))
    draw.text((620, 467), "Build  \u00b7  Edit  \u00b7  Publish", font=font(SANS, 10), fill=rgb("#9fb3c6"), anchor="rm")
    return image


def menu_banner(k=1):
    image = horizontal_gradient(scaled((650, 38), k), "#51677c", "#8196a9")
    sheen = vertical_gradient(scaled((650, 38), k), [(0, "#ffffff"), (1, "#000000")])
    image = Image.blend(image, ImageChops.multiply(image, sheen), 0.18)
    draw = Canvas(image, k, "RGBA")
    for i in range(0, 650, 6):  # a faint diagonal weave keeps the strip from looking flat
        draw.line((i, 38, i + 38, 0), fill=(255, 255, 255, 10))
    draw.line((0, 37, 650, 37), fill=rgb("#3c4f61"))
    return image


def menu_logo(k=1):
    size = (202, 113)
    image = vertical_gradient(scaled(size, k), [(0, "#21466a"), (1, NAVY)])
    glow(image, (30 * k, 10 * k), 60 * k, TEAL, 0.5)
    emblem = supersampled(EMBLEM, emblem_peaks, (0, 0, 0, 0)).resize(scaled((44, 44), k), Image.LANCZOS)
    draw = Canvas(image, k)
    draw.paste(emblem, (14, 24))
    draw.text((66, 27), "KW5", font=font(SANS_BOLD, 12), fill=rgb("#f6c49a"))
    draw.text((65, 40), "Sitewell", font=font(SANS_BOLD, 25), fill=(255, 255, 255))
    draw.line((14, 80, 188, 80), fill=rgb("#2f5375"))
    # The area from (112, 88) to the right edge stays plain dark for the caption.
    return image


def page_button(digit, state, k=1):
    """A 26 x 34 picture for the page buttons: normal, pressed or disabled."""
    def draw(d, s):
        top = {"normal": "#2a9d9d", "pressed": "#17324d", "disabled": "#d3d9de"}[state]
        bottom = {"normal": "#17676f", "pressed": "#0f2236", "disabled": "#bfc7ce"}[state]
        offset = s if state == "pressed" else 0
        d.rounded_rectangle((0, 0, 26 * s - 1, 34 * s - 1), 6 * s, fill=rgb(bottom))
        d.rounded_rectangle((0, 0 + offset, 26 * s - 1, 31 * s - 1 + offset), 6 * s, fill=rgb(top))
        colour = rgb("#8a96a1") if state == "disabled" else (255, 255, 255)
        d.text((13 * s, 16 * s + offset), digit, font=font(SANS_BOLD, 18 * s), fill=colour, anchor="mm")
    return supersampled((26, 34), draw, (0, 0, 0, 0), k=k)


def bullet(k=1):
    """The 14 x 14 bullet beside the design panels' Cancel and more-designs lines."""
    def draw(d, s):
        d.ellipse((1 * s, 1 * s, 13 * s, 13 * s), fill=rgb(TEAL))
        d.polygon([(5 * s, 4 * s), (10 * s, 7 * s), (5 * s, 10 * s)], fill=(255, 255, 255))
    return supersampled((14, 14), draw, (0, 0, 0, 0), k=k)


def save_sharp(picture, folder, name):
    """Writes name.png and, drawn twice as large for dense screens, name@2x.png."""
    picture().save(folder / f"{name}.png", optimize=True)
    picture(k=2).save(folder / f"{name}@2x.png", optimize=True)


def write_menu_pictures():
    RESOURCES.mkdir(parents=True, exist_ok=True)
    save_sharp(menu_background, RESOURCES, "background")
    SHARED_PICTURES.mkdir(parents=True, exist_ok=True)
    save_sharp(menu_banner, SHARED_PICTURES, "banner")
    save_sharp(menu_logo, RESOURCES, "logo")
    save_sharp(bullet, RESOURCES, "bullet")
    for digit in "123":
        for state in ("normal", "pressed", "disabled"):
            save_sharp(lambda k=1: page_button(digit, state, k), SHARED_PICTURES, f"page{digit}-{state}")


# ------------------------------------------------------- publisher window pictures

PUBLISHER_PICTURES = ROOT / "publisher" / "window" / "pictures"
STRIP = (206, 426)  # the centre strip between the local and the remote lists
STRIP_RIGHT_END = 416  # where the strip's arrow entries end


def arrow_entry(canvas, left, top, caption, fill, ink, pointing):
    """One arrow-shaped entry of the strip, over a click area 17 px high at (left, top)
    that reaches to STRIP_RIGHT_END; the tip points right (to the web host) or left."""
    width, height, tip = STRIP_RIGHT_END - left, 21, 11

    def draw(d, s):
        w, h, t = width * s, height * s, tip * s
        if pointing == "right":
            d.rounded_rectangle((0, 0, w - t + 3 * s, h - 1), 4 * s, fill=rgb(fill))
            d.polygon([(w - t, 0), (w - 1, h / 2), (w - t, h - 1)], fill=rgb(fill))
        else:
            d.rounded_rectangle((t - 3 * s, 0, w - 1, h - 1), 4 * s, fill=rgb(fill))
            d.polygon([(t, 0), (0, h / 2), (t, h - 1)], fill=rgb(fill))
        text_left = 8 * s if pointing == "right" else t + 6 * s
        d.text((text_left, h / 2), caption, font=font(SANS_BOLD, 11 * s), fill=rgb(ink), anchor="lm")
    entry = supersampled((width, height), draw, (0, 0, 0, 0), k=canvas.k)
    canvas.paste(entry, (left, top - 2))


def monitor_glyph(draw, x, y):
    """A small white computer screen, 15 x 13, at (x, y)."""
    draw.rounded_rectangle((x, y, x + 14, y + 9), 2, outline=(255, 255, 255), width=2)
    draw.rectangle((x + 6, y + 10, x + 8, y + 11), fill=(255, 255, 255))
    draw.rectangle((x + 3, y + 12, x + 11, y + 12), fill=(255, 255, 255))


def cloud_glyph(draw, x, y):
    """A small white cloud, about 18 x 11, at (x, y)."""
    for centre, radius in (((x + 5, y + 7), 4), ((x + 10, y + 5), 5.2), ((x + 14, y + 7.5), 3.6)):
        draw.disc(centre, radius, "#ffffff")
    draw.rectangle((x + 5, y + 8, x + 14, y + 11), fill=(255, 255, 255))


def publisher_background(k=1):
    """The publisher window, 641 x 482: the local lists on the left, the remote lists
    on the right, and between them the strip headed by the Upload Site tab with its
    four entries over the click areas and the preview frame."""
    image = Image.new("RGB", scaled(MENU, k), (255, 255, 255))
    image.paste(menu_banner(k).crop((0, 0, MENU[0] * k, 38 * k)), (0, 0))
    draw = Canvas(image, k)
    # Headings of the two sides, in the banner above their lists.
    monitor_glyph(draw, 18, 8)
    draw.text((40, 14), "Your computer", font=font(SANS_BOLD, 12), fill=(255, 255, 255), anchor="lm")
    cloud_glyph(draw, 409, 7)
    draw.text((432, 14), "Your web host", font=font(SANS_BOLD, 12), fill=(255, 255, 255), anchor="lm")
    # Light wash behind the two sides; the lists and their buttons stand on it.
    wash, edge = rgb("#f4f7f9"), rgb("#dde3e8")
    draw.rectangle((0, 38, STRIP[0] - 1, 467), fill=wash)
    draw.rectangle((STRIP[1] + 1, 38, MENU[0], 467), fill=wash)
    # Tabs: Main Menu over the click area Label2, Upload Site heading the strip, and
    # Quit FTP over the click area Label4.
    tab_row(draw, 0, [("Main Menu", px(3000) - 3, px(3000) + px(1095) + 3, False),
                      ("Upload Site", 288, STRIP[1] - 6, True),
                      ("Quit FTP", px(7440) - 2, px(7440) + px(1455) + 2, False)])
    # The strip.
    draw.rectangle((STRIP[0], TAB_LINE + 5, STRIP[1], 467), fill=(255, 255, 255))
    draw.line((STRIP[0], TAB_LINE + 5, STRIP[0], 467), fill=edge)
    draw.line((STRIP[1], TAB_LINE + 5, STRIP[1], 467), fill=edge)
    draw.text((216, 98), "Put your site online", font=font(SANS_BOLD, 11), fill=rgb(NAVY))
    draw.text((216, 114), "or pick files on either side", font=font(SANS, 10), fill=rgb("#5b6b7a"))
    arrow_entry(draw, px(3240), px(2040), "Upload ALL Files", TEAL, "#ffffff", "right")
    arrow_entry(draw, px(3120), px(2400), "Upload Selected File", "#2a9d9d", "#ffffff", "right")
    arrow_entry(draw, px(3480), px(2760), "Download File", NAVY, "#ffffff", "left")
    arrow_entry(draw, px(3480), px(3120), "Exit / Main Menu", "#fde7d3", "#a4511a", "left")
    # Frame of the preview area (Picture1 and WebBrowser1 at 216, 232, 200 x 220).
    draw.rounded_rectangle((212, 228, 420, 456), 6, fill=(255, 255, 255), outline=rgb("#cfd8e0"))
    draw.rectangle((0, 468, MENU[0], MENU[1]), fill=rgb(NAVY))
    return image


def help_symbol(k=1):
    """The login dialog's 19 x 19 quick-help symbol: a question mark on a teal disc."""
    def draw(d, s):
        d.ellipse((0, 0, 19 * s - 1, 19 * s - 1), fill=rgb(TEAL))
        d.text((9.5 * s, 10 * s), "?", font=font(SANS_BOLD, 14 * s), fill=(255, 255, 255), anchor="mm")
    return supersampled((19, 19), draw, (0, 0, 0, 0), k=k)


def write_publisher_pictures():
    PUBLISHER_PICTURES.mkdir(parents=True, exist_ok=True)
    save_sharp(publisher_background, PUBLISHER_PICTURES, "background")
    save_sharp(help_symbol, PUBLISHER_PICTURES, "help")


# ---------------------------------------------------------------- editor toolbar

SERIF_FACE = "DejaVuSerif.ttf"
SERIF_FACE_BOLD = "DejaVuSerif-Bold.ttf"
SERIF_FACE_ITALIC = "DejaVuSerif-Italic.ttf"


def toolbar_icon(key, k=1):
    """A 20 x 20 toolbar picture of the page editor, ink on transparent."""
    ink = rgb(NAVY)

    def lines(d, s, spans, top=4, step=4):
        """Horizontal strokes, one per (left, right) span, as lines of text."""
        for i, (left, right) in enumerate(spans):
            y = (top + i * step) * s
            d.rounded_rectangle((left * s, y, right * s, y + 2 * s), s, fill=ink)

    def draw(d, s):
        if key in ("Bold", "Italic", "Underline"):
            face, letter = {"Bold": (SERIF_FACE_BOLD, "B"), "Italic": (SERIF_FACE_ITALIC, "I"),
                            "Underline": (SERIF_FACE, "U")}[key]
            d.text((10 * s, 9 * s), letter, font=font(face, 15 * s), fill=ink, anchor="mm")
            if key == "Underline":
                d.rectangle((5 * s, 17 * s, 15 * s, 18 * s), fill=ink)
        elif key == "Color":
            d.text((10 * s, 8 * s), "A", font=font(SANS_BOLD, 14 * s), fill=ink, anchor="mm")
            d.rectangle((3 * s, 15 * s, 17 * s, 19 * s), fill=(220, 40, 40))
        elif key in ("Numbers", "Bullets"):
            for i in range(3):
                y = (4 + i * 5) * s
                if key == "Bullets":
                    d.ellipse((2 * s, y - s // 2, 5 * s, y + 2 * s + s // 2), fill=rgb(TEAL))
                else:
                    d.text((4 * s, y + s), str(i + 1), font=font(SANS_BOLD, 5 * s), fill=rgb(TEAL), anchor="mm")
                d.rounded_rectangle((8 * s, y, 18 * s, y + 2 * s), s, fill=ink)
        elif key in ("Outdent", "Indent"):
            lines(d, s, [(2, 18), (9, 18), (9, 18), (2, 18)])
            if key == "Indent":
                d.polygon([(2 * s, 7 * s), (6 * s, 10 * s), (2 * s, 13 * s)], fill=rgb(TEAL))
            else:
                d.polygon([(6 * s, 7 * s), (2 * s, 10 * s), (6 * s, 13 * s)], fill=rgb(TEAL))
        elif key == "LeftJustify":
            lines(d, s, [(2, 18), (2, 12), (2, 18), (2, 10)])
        elif key == "Center":
            lines(d, s, [(2, 18), (5, 15), (2, 18), (6, 14)])
        elif key == "RightJustify":
            lines(d, s, [(2, 18), (8, 18), (2, 18), (10, 18)])
    return supersampled((20, 20), draw, (0, 0, 0, 0), k=k)


TOOLBAR_KEYS = ("Bold", "Italic", "Underline", "Color", "Numbers", "Bullets", "Outdent", "Indent",
                "LeftJustify", "Center", "RightJustify")


def write_editor_pictures():
    EDITOR_PICTURES.mkdir(parents=True, exist_ok=True)
    for key in TOOLBAR_KEYS:
        save_sharp(lambda k=1: toolbar_icon(key, k), EDITOR_PICTURES, key)


def main():
    write_design(CONTENT, banner_mountains, emblem_peaks, "#ffffff",
                 ("#17324d", "#1f8a8a", "#f28f3b", "#f4f6f8", "#17324d"), "right")
    write_design(CONTENT / "designs" / "comp1", banner_meadow, emblem_leaf, "#faf7f0",
                 ("#2f3a2c", "#2f5d3a", "#d9a441", "#faf7f0", "#2f5d3a"), "left")
    write_design(CONTENT / "designs" / "comp2", banner_studio, emblem_facets, "#241c5c",
                 ("#241c5c", "#5b3fd9", "#ff5c8d", "#f6f5fb", "#241c5c"), "top")
    write_design(CONTENT / "designs" / "comp3", banner_sea, emblem_star, "#22252a",
                 ("#22252a", "#8a6d3b", "#c9a45c", "#fbf8f2", "#22252a"), "right")
    write_menu_pictures()
    write_publisher_pictures()
    write_editor_pictures()


if __name__ == "__main__":
    main()
