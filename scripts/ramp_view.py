"""The tint's gamma ramps, for the scripts:
  ramp_view.py expected V        the 768 words quorvex loads for slider position V
  ramp_view.py match WORDS...    the position whose ramp the 768 words are (compared by their
                                 high bytes, as an 8-bit display keeps them); "none" otherwise
  ramp_view.py lut OUT.ppm WORDS...  a 256 x 1 colour table of the ramp, for ImageMagick's -clut:
                                 a screenshot passed through it is the screen as the eye sees it
"""
import sys


def expected(v):
    g = round(v / 6)  # half-even, as the program rounds

    def scale(s, b):
        if s < 0:
            return round((100 + s) * b / 100)
        if s == 0:
            return b
        return round(65535 - (100 - s) * (65535 - b) / 100)

    return [scale(-g, i * 257) for i in range(256)] * 2 + [scale(-v, i * 257) for i in range(256)]


def high(words):
    return [w // 256 for w in words]


def main(argv):
    if argv[1] == "expected":
        print(" ".join(str(w) for w in expected(int(argv[2]))))
    elif argv[1] == "match":
        words = high(int(w) for w in argv[2:])
        found = [v for v in range(51) if high(expected(v)) == words]
        print(found[0] if found else "none")
    elif argv[1] == "lut":
        words = [int(w) for w in argv[3:]]
        if len(words) != 768:
            sys.exit("a ramp has 768 words, got %d" % len(words))
        with open(argv[2], "wb") as out:
            out.write(b"P6\n256 1\n255\n")
            out.write(bytes(b for i in range(256)
                            for b in (words[i] >> 8, words[256 + i] >> 8, words[512 + i] >> 8)))
    else:
        sys.exit(__doc__)


main(sys.argv)
