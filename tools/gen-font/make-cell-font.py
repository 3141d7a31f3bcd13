"""Makes the game font from a monospace font: every glyph exactly one screen cell wide, and the
line, block and shade characters redrawn to fill the cell, so that frames join their neighbours.

    fontforge -quiet -script make-cell-font.py SOURCE.ttf OUTPUT.ttf

A screen cell is 16 x 24 pixels and its glyph is rendered at size 24, 20 pixels above the baseline
to 4 below. With an em of 2400 units a pixel is 100 units, so the cell spans x 0..1600 and
y -400..2000, and shapes on multiples of 100 fall on whole pixels and rasterise crisp.
"""

import math
import sys
import unicodedata

import fontforge
import psMat

EM = 2400
PIXEL = 100
CELL_LEFT, CELL_RIGHT = 0, 16 * PIXEL
CELL_BOTTOM, CELL_TOP = -4 * PIXEL, 20 * PIXEL
CENTRE_X = (CELL_LEFT + CELL_RIGHT) // 2
CENTRE_Y = (CELL_BOTTOM + CELL_TOP) // 2

# Stroke widths, and how far the two strokes of a double line lie from the line's middle. Even
# pixel counts keep lines centred on the cell's centre, which lies between pixels.
THICKNESS = {"light": 2 * PIXEL, "heavy": 4 * PIXEL, "double": 2 * PIXEL}
DOUBLE_OFFSET = 2 * PIXEL

# Unit vectors of the arms a line character has, in font coordinates (y up).
ARM_VECTORS = {"up": (0, 1), "down": (0, -1), "left": (-1, 0), "right": (1, 0)}
NAME_DIRECTIONS = {"UP": ["up"], "DOWN": ["down"], "LEFT": ["left"], "RIGHT": ["right"],
                   "VERTICAL": ["up", "down"], "HORIZONTAL": ["left", "right"]}
NAME_WEIGHTS = {"LIGHT": "light", "SINGLE": "light", "HEAVY": "heavy", "DOUBLE": "double"}
DASH_COUNTS = {"DOUBLE": 2, "TRIPLE": 3, "QUADRUPLE": 4}

# Block elements as (left, bottom, right, top) in eighths of the cell; the quadrants are read from
# their names.
BLOCKS = {
    0x2580: (0, 4, 8, 8), 0x2588: (0, 0, 8, 8), 0x2590: (4, 0, 8, 8),
    0x2594: (0, 7, 8, 8), 0x2595: (7, 0, 8, 8),
    **{0x2580 + n: (0, 0, 8, n) for n in range(1, 8)},
    **{0x2590 - n: (0, 0, n, 8) for n in range(1, 8)},
}
QUADRANTS = {"UPPER LEFT": (0, 4, 4, 8), "UPPER RIGHT": (4, 4, 8, 8),
             "LOWER LEFT": (0, 0, 4, 4), "LOWER RIGHT": (4, 0, 8, 4)}

# Shades as tiles of dots, top row first, repeated over the cell. The dots are two pixels square,
# as in the classic 8 x 16 text fonts shown at this cell size, and stay distinct when the screen is
# scaled; the tiles divide the cell so that neighbouring cells continue the pattern.
SHADE_DOT = 2 * PIXEL
SHADES = {
    0x2591: ["#...",
             "..#."],
    0x2592: ["#.",
             ".#"],
    0x2593: [".###",
             "##.#"],
}


def draw_rectangles(glyph, rectangles):
    """Replaces the glyph's outline with the union of (x0, y0, x1, y1) rectangles."""
    pen = glyph.glyphPen()
    for x0, y0, x1, y1 in rectangles:
        pen.moveTo((x0, y0))
        pen.lineTo((x0, y1))
        pen.lineTo((x1, y1))
        pen.lineTo((x1, y0))
        pen.closePath()
    pen = None
    glyph.removeOverlap()
    glyph.correctDirection()


def arms_from_name(name):
    """Reads {'down': 'light', 'right': 'double'} from a name such as
    'BOX DRAWINGS DOWN SINGLE AND RIGHT DOUBLE'. A clause without a weight has the previous one's,
    as in 'LIGHT DOWN AND RIGHT'."""
    arms, weight = {}, None
    for clause in name.removeprefix("BOX DRAWINGS ").split(" AND "):
        words = clause.split()
        weight = next((NAME_WEIGHTS[word] for word in words if word in NAME_WEIGHTS), weight)
        for word in words:
            for arm in NAME_DIRECTIONS.get(word, []):
                arms[arm] = weight
    return arms


def dot(a, b):
    return a[0] * b[0] + a[1] * b[1]


def sideways(vector):
    """The vector turned a quarter anticlockwise: the direction in which a stroke's offset counts."""
    return (-vector[1], vector[0])


def arm_towards(vector):
    vector = tuple(vector)
    return next(arm for arm, v in ARM_VECTORS.items() if v == vector)


def opposite(arm):
    return arm_towards(-c for c in ARM_VECTORS[arm])


def stroke_offsets(weight):
    return [-DOUBLE_OFFSET, DOUBLE_OFFSET] if weight == "double" else [0]


def crossings(arms, arm, other):
    """Where the strokes of arm `other` cross the line of `arm`, counted along `arm` from the
    centre, each with its thickness."""
    along = dot(sideways(ARM_VECTORS[other]), ARM_VECTORS[arm])
    weight = arms[other]
    return [(offset * along, THICKNESS[weight]) for offset in stroke_offsets(weight)]


def start_on_nearest(arms, arm, other):
    """Where a stroke of `arm` starts that just covers the stroke of `other` nearest to the edge
    of `arm`."""
    position, thickness = max(crossings(arms, arm, other))
    return position - thickness // 2


def start_on_farthest(arms, arm, other):
    """Where a stroke of `arm` starts that reaches across every stroke of `other`."""
    position, thickness = min(crossings(arms, arm, other))
    return position - thickness // 2


def stroke_start(arms, arm, offset):
    """How far from the centre the stroke of `arm` lying `offset` to its side starts; it runs on
    to the cell's edge. Distances count towards that edge: a negative start lies past the centre.

    A stroke of a double line ends on the arm across it on its own side, at that arm's nearest
    stroke; with none there it goes on into the opposite arm, or else turns into the arm on its
    other side at that arm's farthest stroke, the outer corner. A middle stroke (single or heavy)
    has both sides: it goes on into the opposite arm across everything, ends at the near stroke
    of a line running straight across it, or turns into a lone arm across it at its far stroke."""
    across = [other for other in arms if dot(ARM_VECTORS[other], ARM_VECTORS[arm]) == 0]
    goes_on = opposite(arm) in arms
    if offset == 0:
        if goes_on:
            return min((start_on_farthest(arms, arm, other) for other in across), default=0)
        if len(across) == 2:
            return max(start_on_nearest(arms, arm, other) for other in across)
        return start_on_farthest(arms, arm, across[0]) if across else 0
    own_side = arm_towards(c if offset > 0 else -c for c in sideways(ARM_VECTORS[arm]))
    if own_side in arms:
        return start_on_nearest(arms, arm, own_side)
    if goes_on:
        return 0
    if opposite(own_side) in arms:
        return start_on_farthest(arms, arm, opposite(own_side))
    return 0


def edge_distance(arm):
    """How far the cell's edge lies from its centre in the arm's direction."""
    return {"up": CELL_TOP - CENTRE_Y, "down": CENTRE_Y - CELL_BOTTOM,
            "left": CENTRE_X - CELL_LEFT, "right": CELL_RIGHT - CENTRE_X}[arm]


def stroke_rectangle(arm, offset, thickness, start, end):
    """The rectangle of a stroke lying `offset` to the side of an arm, from `start` to `end` along
    it."""
    vector, side = ARM_VECTORS[arm], sideways(ARM_VECTORS[arm])
    corners = [(CENTRE_X + vector[0] * length + side[0] * across,
                CENTRE_Y + vector[1] * length + side[1] * across)
               for length in (start, end)
               for across in (offset - thickness // 2, offset + thickness // 2)]
    xs, ys = [x for x, _ in corners], [y for _, y in corners]
    return (min(xs), min(ys), max(xs), max(ys))


def line_rectangles(arms):
    rectangles = []
    for arm, weight in arms.items():
        for offset in stroke_offsets(weight):
            rectangles.append(stroke_rectangle(arm, offset, THICKNESS[weight],
                                               stroke_start(arms, arm, offset), edge_distance(arm)))
    return rectangles


def dash_rectangles(name):
    """Dashed lines, such as 'BOX DRAWINGS LIGHT TRIPLE DASH VERTICAL': the line cut into equal
    parts, each a dash with a two-pixel gap split between its ends, so that the gaps stay even
    across cell boundaries."""
    weight, count, _, direction = name.removeprefix("BOX DRAWINGS ").split()
    thickness = THICKNESS[NAME_WEIGHTS[weight]]
    horizontal = direction == "HORIZONTAL"
    low, high = (CELL_LEFT, CELL_RIGHT) if horizontal else (CELL_BOTTOM, CELL_TOP)
    centre = CENTRE_Y if horizontal else CENTRE_X
    across = (centre - thickness // 2, centre + thickness // 2)
    parts = DASH_COUNTS[count]
    rectangles = []
    for part in range(parts):
        start = round_to_pixel(low + (high - low) * part / parts + PIXEL)
        end = round_to_pixel(low + (high - low) * (part + 1) / parts - PIXEL)
        rectangles.append((start, across[0], end, across[1]) if horizontal
                          else (across[0], start, across[1], end))
    return rectangles


def round_to_pixel(units):
    return int(round(units / PIXEL)) * PIXEL


def quarter_circle(pen, centre, radius, start_angle, end_angle):
    """Continues the pen's contour along a quarter circle, as two quadratic pieces whose shared
    on-curve point, midway between their control points, lies on the circle."""
    reach = radius / math.cos(math.radians(22.5))
    step = (end_angle - start_angle) / 4
    controls = [(centre[0] + reach * math.cos(math.radians(start_angle + k * step)),
                 centre[1] + reach * math.sin(math.radians(start_angle + k * step)))
                for k in (1, 3)]
    end = (centre[0] + radius * math.cos(math.radians(end_angle)),
           centre[1] + radius * math.sin(math.radians(end_angle)))
    pen.qCurveTo(*controls, end)


def draw_arc(glyph, name):
    """Rounded corners: a light line from two edges turning through a quarter circle, drawn for
    'DOWN AND RIGHT' and mirrored for the others."""
    radius, half = 6 * PIXEL, THICKNESS["light"] // 2
    centre = (CENTRE_X + radius, CENTRE_Y - radius)
    pen = glyph.glyphPen()
    pen.moveTo((CELL_RIGHT, CENTRE_Y + half))
    pen.lineTo((centre[0], CENTRE_Y + half))
    quarter_circle(pen, centre, radius + half, 90, 180)
    pen.lineTo((CENTRE_X - half, CELL_BOTTOM))
    pen.lineTo((CENTRE_X + half, CELL_BOTTOM))
    pen.lineTo((centre[0] - radius + half, centre[1]))
    quarter_circle(pen, centre, radius - half, 180, 90)
    pen.lineTo((CELL_RIGHT, CENTRE_Y - half))
    pen.closePath()
    pen = None
    arms = arms_from_name(name.replace("ARC ", ""))
    mirror_x = psMat.compose(psMat.scale(-1, 1), psMat.translate(CELL_RIGHT, 0))
    mirror_y = psMat.compose(psMat.scale(1, -1), psMat.translate(0, 2 * CENTRE_Y))
    if "left" in arms:
        glyph.transform(mirror_x)
    if "up" in arms:
        glyph.transform(mirror_y)
    glyph.correctDirection()


def draw_diagonals(glyph, codepoint):
    """Diagonal lines from corner to corner, as wide across as a light line, ending flush with the
    cell's edges so that diagonal neighbours continue them."""
    width, height = CELL_RIGHT - CELL_LEFT, CELL_TOP - CELL_BOTTOM
    across = round(THICKNESS["light"] * (width ** 2 + height ** 2) ** 0.5 / height)
    rising = [(CELL_LEFT, CELL_BOTTOM), (CELL_LEFT + across, CELL_BOTTOM),
              (CELL_RIGHT, CELL_TOP), (CELL_RIGHT - across, CELL_TOP)]
    falling = [(x, CELL_TOP + CELL_BOTTOM - y) for x, y in rising]
    shapes = {0x2571: [rising], 0x2572: [falling], 0x2573: [rising, falling]}[codepoint]
    pen = glyph.glyphPen()
    for shape in shapes:
        pen.moveTo(shape[0])
        for point in shape[1:]:
            pen.lineTo(point)
        pen.closePath()
    pen = None
    glyph.removeOverlap()
    glyph.correctDirection()


def block_rectangle(eighths):
    left, bottom, right, top = eighths
    width, height = (CELL_RIGHT - CELL_LEFT) // 8, (CELL_TOP - CELL_BOTTOM) // 8
    return (CELL_LEFT + left * width, CELL_BOTTOM + bottom * height,
            CELL_LEFT + right * width, CELL_BOTTOM + top * height)


def shade_rectangles(tile):
    """One rectangle per run of dots in each row of dots of the cell."""
    rectangles = []
    columns = (CELL_RIGHT - CELL_LEFT) // SHADE_DOT
    for row in range((CELL_TOP - CELL_BOTTOM) // SHADE_DOT):
        pattern = tile[row % len(tile)]
        lit = [pattern[column % len(pattern)] == "#" for column in range(columns)] + [False]
        top = CELL_TOP - row * SHADE_DOT
        run_start = None
        for column, on in enumerate(lit):
            if on and run_start is None:
                run_start = column
            elif not on and run_start is not None:
                rectangles.append((CELL_LEFT + run_start * SHADE_DOT, top - SHADE_DOT,
                                   CELL_LEFT + column * SHADE_DOT, top))
                run_start = None
    return rectangles


def redraw_cell_characters(font):
    for codepoint in range(0x2500, 0x25A0):
        glyph = font.createChar(codepoint)
        name = unicodedata.name(chr(codepoint))
        if codepoint in SHADES:
            draw_rectangles(glyph, shade_rectangles(SHADES[codepoint]))
        elif codepoint in BLOCKS:
            draw_rectangles(glyph, [block_rectangle(BLOCKS[codepoint])])
        elif name.startswith("QUADRANT "):
            parts = name.removeprefix("QUADRANT ").split(" AND ")
            draw_rectangles(glyph, [block_rectangle(QUADRANTS[part]) for part in parts])
        elif " DASH " in name:
            draw_rectangles(glyph, dash_rectangles(name))
        elif " ARC " in name:
            draw_arc(glyph, name)
        elif " DIAGONAL " in name:
            draw_diagonals(glyph, codepoint)
        else:
            draw_rectangles(glyph, line_rectangles(arms_from_name(name)))
        glyph.width = CELL_RIGHT


def fit_to_cell(font):
    """Scales the font so that a pixel is 100 units and centres every glyph in a cell-wide advance."""
    font.em = EM
    widths = {glyph.width for glyph in font.glyphs() if glyph.width > 0}
    if len(widths) != 1:
        sys.exit("the source font is not monospaced: advances %s" % sorted(widths))
    font.selection.all()
    # The font's transform moves composite glyphs with the glyphs they are built from, once.
    font.transform(psMat.translate(round((CELL_RIGHT - widths.pop()) / 2), 0))
    for glyph in font.glyphs():
        glyph.width = CELL_RIGHT


def main(source, output):
    font = fontforge.open(source)
    fit_to_cell(font)
    redraw_cell_characters(font)
    font.fontname = "VodareraZorezo"
    font.familyname = font.fullname = "Vodarera Zorezo"
    # The engine's text rendering hints automatically; the source's instructions no longer fit
    # the rescaled outlines.
    font.generate(output, flags=("omit-instructions", "opentype"))


if __name__ == "__main__":
    if len(sys.argv) != 3:
        sys.exit("usage: fontforge -quiet -script make-cell-font.py SOURCE.ttf OUTPUT.ttf")
    main(sys.argv[1], sys.argv[2])
