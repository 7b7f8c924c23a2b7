"""How far a scrolling strip moved between two screenshots: the leftward shift that best lays the
second picture over the first. Prints it in pixels; the caller knows the times.

    stripshift.py FIRST.png SECOND.png
"""
import subprocess
import sys


def grey(path):
    size = subprocess.run(["identify", "-format", "%w %h", path], check=True,
                          capture_output=True, text=True).stdout.split()
    width, height = int(size[0]), int(size[1])
    data = subprocess.run(["convert", path, "-colorspace", "gray", "-depth", "8", "gray:-"],
                          check=True, capture_output=True).stdout
    return width, height, [data[y * width:(y + 1) * width] for y in range(height)]


def mismatch(first, second, shift, width):
    """Mean difference of the overlap, and how much of it is drawn (not black)."""
    total = drawn = count = 0
    for row1, row2 in zip(first[::3], second[::3]):
        for x in range(0, width - shift):
            a, b = row1[x + shift], row2[x]
            total += abs(a - b)
            drawn += a > 64 or b > 64
            count += 1
    return total / max(count, 1), drawn


def main():
    width, _, first = grey(sys.argv[1])
    _, _, second = grey(sys.argv[2])
    scores = []
    # Up to all but 64 columns: four seconds at 110 px/s and a slow screenshot still fit a 640 px
    # ticker, and 64 columns of overlap are still plenty to match.
    for shift in range(0, width - 64):
        score, drawn = mismatch(first, second, shift, width)
        if drawn >= 20:
            scores.append((score, shift))
    if not scores:
        print("nothing drawn in the overlap")
        return 1
    score, shift = min(scores)
    if score > 8 or shift == 0:
        print(f"no shift lays the pictures over each other (best {shift} px, mismatch {score:.1f})")
        return 1
    print(shift)
    return 0


sys.exit(main())
