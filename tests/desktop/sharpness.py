"""How many neighbouring columns of a box of a screenshot differ. Stretching a picture only
repeats its columns, so a window drawn at 100 % and stretched by the display's scaling has no
more changes than the same box at 100 %; one drawn at the screen's own pixels has more.

    sharpness.py FILE.png WxH+X+Y
"""
import subprocess
import sys


def main():
    path, box = sys.argv[1], sys.argv[2]
    size, x, y = box.split("+")
    width, height = (int(v) for v in size.split("x"))
    data = subprocess.run(["convert", path, "-crop", box, "+repage", "-depth", "8", "rgb:-"],
                          check=True, capture_output=True).stdout
    if len(data) != width * height * 3:
        sys.exit(f"sharpness: {box} does not lie inside {path}")
    stride = width * 3
    columns = [b"".join(data[row * stride + col * 3:row * stride + col * 3 + 3]
                        for row in range(height))
               for col in range(width)]
    print(sum(1 for a, b in zip(columns, columns[1:]) if a != b))


if __name__ == "__main__":
    main()
