#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes block.svg, the device's signal path for the "Block" window.

The drawing sticks to what the Qt SVG renderer handles (SVG Tiny 1.2): no
markers, so arrow heads are small polygons. Run it after changing the layout:
    python3 make_block_svg.py > block.svg
"""

W, H = 800, 504
out = []
FONT = 'font-family="DejaVu Sans, Arial, sans-serif"'


def add(s):
    out.append(s)


def rect(x, y, w, h, fill="#ffffff", stroke="#000000", dash=None, rx=3, sw=1.2):
    d = f' stroke-dasharray="{dash}"' if dash else ""
    add(f'<rect x="{x}" y="{y}" width="{w}" height="{h}" rx="{rx}" fill="{fill}" stroke="{stroke}" stroke-width="{sw}"{d}/>')


def text(x, y, s, size=10, weight="normal", anchor="middle", fill="#000000", style="normal"):
    add(f'<text x="{x}" y="{y}" {FONT} font-size="{size}" font-weight="{weight}" font-style="{style}" '
        f'text-anchor="{anchor}" fill="{fill}">{s}</text>')


def line(x1, y1, x2, y2, sw=1.2, dash=None, stroke="#000000"):
    d = f' stroke-dasharray="{dash}"' if dash else ""
    add(f'<line x1="{x1}" y1="{y1}" x2="{x2}" y2="{y2}" stroke="{stroke}" stroke-width="{sw}"{d}/>')


def head(x, y, direction, stroke="#000000"):
    """An arrow head with its tip at (x, y)."""
    a, b = 7, 3.5
    pts = {
        "right": [(x, y), (x - a, y - b), (x - a, y + b)],
        "left": [(x, y), (x + a, y - b), (x + a, y + b)],
        "down": [(x, y), (x - b, y - a), (x + b, y - a)],
        "up": [(x, y), (x - b, y + a), (x + b, y + a)],
    }[direction]
    p = " ".join(f"{px:g},{py:g}" for px, py in pts)
    add(f'<polygon points="{p}" fill="{stroke}" stroke="none"/>')


def arrow(x1, y1, x2, y2, stroke="#000000", sw=1.2):
    line(x1, y1, x2, y2, sw=sw, stroke=stroke)
    if x1 == x2:
        head(x2, y2, "down" if y2 > y1 else "up", stroke)
    else:
        head(x2, y2, "right" if x2 > x1 else "left", stroke)


def block(x, y, w, h, title, sub=None, fill="#ffffff"):
    rect(x, y, w, h, fill=fill)
    if sub:
        text(x + w / 2, y + h / 2 - 2, title, size=10, weight="bold")
        text(x + w / 2, y + h / 2 + 10, sub, size=9)
    else:
        text(x + w / 2, y + h / 2 + 4, title, size=10, weight="bold")


def connector(cx, cy, label, below=True):
    add(f'<circle cx="{cx}" cy="{cy}" r="10" fill="#ffffff" stroke="#000000" stroke-width="1.5"/>')
    add(f'<circle cx="{cx}" cy="{cy}" r="3" fill="#000000"/>')
    text(cx, cy + 26 if below else cy - 16, label, size=10, weight="bold")


add(f'<svg xmlns="http://www.w3.org/2000/svg" version="1.2" baseProfile="tiny" '
    f'width="{W}" height="{H}" viewBox="0 0 {W} {H}">')
add(f'<rect x="0" y="0" width="{W}" height="{H}" fill="#ffffff"/>')

# The two regions.
rect(4, 4, 628, 496, fill="#f3f6fb", stroke="#5a6f8f", dash="6,4", rx=6)
rect(640, 4, 156, 496, fill="#fbf5ee", stroke="#8f6f5a", dash="6,4", rx=6)
text(330, 24, "digital", size=14, weight="bold", fill="#2c4266")
text(718, 24, "analog", size=14, weight="bold", fill="#66422c")

# The control block, reached over USB.
CX1, CX2 = 16, 92
rect(CX1, 60, CX2 - CX1, 416, fill="#e4ebf5")
text((CX1 + CX2) / 2, 250, "Steuerung", size=11, weight="bold")
text((CX1 + CX2) / 2, 268, "über USB", size=9)
text((CX1 + CX2) / 2, 280, "gesteuert", size=9)
arrow((CX1 + CX2) / 2, 32, (CX1 + CX2) / 2, 60)
text((CX1 + CX2) / 2 + 8, 44, "USB", size=9, weight="bold", anchor="start")

# Four of the eight identical channels.
FX1, FX2 = 108, 560
COL = [(120, 98), (232, 122), (368, 144)]
SUMX, SUMY, SUMR = 598, 220, 16
for k in range(4):
    y0 = 40 + k * 92
    rect(FX1, y0, FX2 - FX1, 84, fill="#ffffff", stroke="#7a8aa6", rx=4)
    text(FX1 + 6, y0 + 12, f"Kanal {k + 1}", size=9, weight="bold", anchor="start", fill="#2c4266")
    ya, yb = y0 + 16, y0 + 52
    bh = 30
    block(COL[0][0], ya, COL[0][1], bh, "DDS", "Frequenz, Phase")
    block(COL[1][0], ya, COL[1][1], bh, "Look-up-Tabelle", "Signaltyp, Amplitude")
    block(COL[2][0], ya, COL[2][1], bh, "Amplitudenstufe", "digitale Modulation", fill="#eef4e6")
    block(COL[0][0], yb, COL[0][1], bh, "Zeitsteuerung", "Start, Stop")
    block(COL[1][0], yb, COL[1][1], bh, "Rampenmodul", "Anstieg, Abfall")
    block(COL[2][0], yb, COL[2][1], bh, "Hüllkurvengenerator", "digitale Modulation", fill="#eef4e6")
    # Signal path: oscillator, table, amplitude stage.
    arrow(COL[0][0] + COL[0][1], ya + bh / 2, COL[1][0], ya + bh / 2)
    arrow(COL[1][0] + COL[1][1], ya + bh / 2, COL[2][0], ya + bh / 2)
    # Timing path: time control, ramps, envelope, into the amplitude stage.
    arrow(COL[0][0] + COL[0][1], yb + bh / 2, COL[1][0], yb + bh / 2)
    arrow(COL[1][0] + COL[1][1], yb + bh / 2, COL[2][0], yb + bh / 2)
    arrow(COL[2][0] + COL[2][1] / 2, yb, COL[2][0] + COL[2][1] / 2, ya + bh)
    # The time control also starts the oscillator.
    arrow(COL[0][0] + COL[0][1] / 2, yb, COL[0][0] + COL[0][1] / 2, ya + bh)
    # Settings from the control block.
    arrow(CX2, y0 + 42, FX1, y0 + 42, stroke="#2c4266")
    # Channel output towards the summing node.
    xo = COL[2][0] + COL[2][1]
    line(xo, ya + bh / 2, 572, ya + bh / 2)
    line(572, ya + bh / 2, SUMX - SUMR * 0.7, SUMY + (ya + bh / 2 - SUMY) * 0.1)

# Channels 5 to 8 join the node as well.
text(FX1 + 6, 418, "… insgesamt 8 identische Kanäle (4 dargestellt); Kanäle 5 bis 8 wie Kanal 1",
     size=9, style="italic", anchor="start", fill="#2c4266")
line(560, 414, 572, 414, dash="3,2")
line(572, 414, SUMX - SUMR * 0.7, SUMY + SUMR * 0.7, dash="3,2")
text(574, 430, "Kanal 5…8", size=8, anchor="start", fill="#2c4266")

# Summing node.
add(f'<circle cx="{SUMX}" cy="{SUMY}" r="{SUMR}" fill="#ffffff" stroke="#000000" stroke-width="1.5"/>')
text(SUMX, SUMY + 6, "Σ", size=16, weight="bold")
text(SUMX + SUMR + 4, SUMY - 6, "Summe", size=9, anchor="start")

# Analog side: converter, attenuator, output.
AX, AW = 660, 116
arrow(SUMX + SUMR, SUMY, AX, SUMY)
block(AX, SUMY - 20, AW, 40, "D/A-Wandler")
arrow(AX + AW / 2, SUMY + 20, AX + AW / 2, 290)
block(AX, 290, AW, 40, "Dämpfungsglied", "Schlußdämpfung")
arrow(AX + AW / 2, 330, AX + AW / 2, 364)
connector(AX + AW / 2, 374, "Signalausgang")

# Trigger generator with its own output.
TY = 440
block(236, TY, 268, 34, "Triggersignal-Generator", "Start Trigger, Stop Trigger")
arrow(CX2, TY + 17, 236, TY + 17, stroke="#2c4266")
line(504, TY + 17, AX + AW / 2 - 10, TY + 17)
head(AX + AW / 2 - 10, TY + 17, "right")
connector(AX + AW / 2, TY + 17, "Triggerausgang", below=False)

add("</svg>")
print("\n".join(out))
