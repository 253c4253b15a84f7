#!/usr/bin/env python3
"""Makes a film-like clip for the scene benchmark: 1080p25, a cut every 1.5
to 6 s, mostly photographs from mate-backgrounds panned and zoomed as a
camera would (some in fog, at night or with grain), some generated pictures,
a white flash and a camera flash inside scenes, a fade through black and a
dissolve (neither is a cut), two takes of one pan in warm and cool grading,
two framings of one subject and two night scenes in a row. One x264 encode
with its scene-cut keyframes and B-frames.

    film_clip.py OUT.mp4 TRUTH.json

TRUTH.json holds the frame rate, the frame count, the hard cuts (first frame
of each new scene), the flashes (first and last frame) and the soft
transitions (first and last frame of the blend).
"""
import json
import os
import subprocess
import sys

FPS = 25
W, H = 1920, 1080
PHOTOS = "/usr/share/backgrounds/mate"


def photo(name):
    for folder in ("nature", "abstract", "desktop"):
        path = f"{PHOTOS}/{folder}/{name}.jpg"
        if os.path.exists(path):
            return path
    sys.exit(f"missing photograph {name} (scripts/setup installs mate-backgrounds)")


# Camera moves over a photograph scaled to 2880 px wide, per output frame `on`
# of `n`. Each is (zoom, x, y) for zoompan.
def move(kind, n):
    t = f"(on/{n})"
    return {
        "right": ("1.35", f"(iw-iw/zoom)*(0.15+0.6*{t})", "(ih-ih/zoom)/2"),
        "left": ("1.35", f"(iw-iw/zoom)*(0.85-0.6*{t})", "(ih-ih/zoom)/2"),
        "in": (f"1.05+0.35*{t}", "(iw-iw/zoom)/2", "(ih-ih/zoom)/2"),
        "out": (f"1.45-0.35*{t}", "(iw-iw/zoom)/2", "(ih-ih/zoom)/2"),
        "tilt": ("1.5", "(iw-iw/zoom)/2", f"(ih-ih/zoom)*(0.1+0.8*{t})"),
        "left-half": ("2.2", f"(iw-iw/zoom)*(0.05+0.1*{t})", "(ih-ih/zoom)*0.5"),
        "right-half": ("2.2", f"(iw-iw/zoom)*(0.95-0.1*{t})", "(ih-ih/zoom)*0.4"),
    }[kind]


LOOKS = {
    "": "",
    "grain": ",noise=alls=14:allf=t",
    "fog": ",eq=contrast=0.35:brightness=0.22,noise=alls=5:allf=t",
    "night": ",eq=brightness=-0.28:contrast=0.55,noise=alls=8:allf=t",
    "warm": ",colorbalance=rs=0.25:gs=0.08:bs=-0.25:rm=0.12:bm=-0.12",
    "cool": ",colorbalance=rs=-0.25:gs=0.02:bs=0.25:rm=-0.12:bm=0.12",
}

# (kind, frames, details). Kinds: photo (name, move, look), gen (lavfi source),
# flash (photo scene with `white` frames from local frame `at`),
# camflash (photo scene over-exposed for 2 frames from `at`),
# graded (one pan cut in two: warm then cool), fade (two photo scenes through
# black), dissolve (two photo scenes blended for 1 s).
SCENES = [
    ("photo", 100, ("Garden", "right", "")),
    ("photo", 75, ("Storm", "in", "grain")),
    ("gen", 50, "testsrc2=s=1920x1080:r=25"),
    ("photo", 90, ("Dune", "left", "")),
    ("flash", 110, ("YellowFlower", "right", "", 50, 3)),
    ("photo", 60, ("Aqua", "tilt", "")),
    ("photo", 45, ("Wood", "out", "fog")),
    ("gen", 80, "mandelbrot=s=960x540:r=25:start_scale=1.5:end_scale=0.3:end_pts=200"),
    ("photo", 120, ("GreenMeadow", "in", "")),
    ("graded", (70, 75), ("Garden", "right")),
    ("photo", 40, ("LadyBird", "left", "grain")),
    ("photo", 150, ("TwoWings", "out", "")),
    ("camflash", 95, ("RainDrops", "right", "", 48)),
    ("photo", 65, ("Blinds", "tilt", "")),
    ("photo", 85, ("Storm", "left", "night")),
    ("photo", 70, ("Wood", "right", "night")),
    ("gen", 60, "life=s=480x270:r=25:mold=10:life_color=#60ff90:death_color=#102040:seed=3"),
    ("photo", 110, ("Elephants", "left-half", "")),
    ("photo", 80, ("Elephants", "right-half", "")),
    ("fade", (90, 85), (("FreshFlower", "right"), ("Dune", "in"))),
    ("photo", 38, ("GreenTraditional", "in", "")),
    ("photo", 125, ("YellowFlower", "tilt", "fog")),
    ("gen", 70, "gradients=s=960x540:r=25:c0=#ff4000:c1=#0030c0:type=radial:speed=0.04:seed=1"),
    ("photo", 55, ("Aqua", "right", "grain")),
    ("dissolve", (100, 100), (("LadyBird", "in"), ("TwoWings", "left"))),
    ("photo", 45, ("Garden", "tilt", "")),
    ("photo", 140, ("RainDrops", "out", "")),
    ("photo", 50, ("GreenMeadow", "left", "grain")),
    ("gen", 40, "smptehdbars=s=1920x1080:r=25,hue=H=t"),
    ("photo", 95, ("Blinds", "in", "fog")),
    ("photo", 75, ("Storm", "right", "")),
    ("photo", 60, ("FreshFlower", "out", "night")),
    ("photo", 130, ("Wood", "left", "")),
    ("photo", 44, ("Dune", "tilt", "grain")),
    ("photo", 90, ("Elephants", "in", "")),
    ("photo", 100, ("LadyBird", "right", "")),
]


class Graph:
    def __init__(self):
        self.inputs = []  # photograph paths, one ffmpeg input each
        self.chains = []
        self.pads = []
        self.label = 0

    def new_label(self):
        self.label += 1
        return f"v{self.label}"

    def pan(self, name, kind, n, look=""):
        """A pad with `n` frames of a camera move over a photograph."""
        self.inputs.append(photo(name))
        index = len(self.inputs) - 1
        z, x, y = move(kind, n)
        out = self.new_label()
        self.chains.append(
            f"[{index}:v]scale=2880:-2,setsar=1,zoompan=z='{z}':x='{x}':y='{y}':d={n}:s={W}x{H}:fps={FPS}"
            f"{LOOKS[look]},format=yuv420p,setsar=1[{out}]")
        return out

    def filter(self, pad, chain):
        out = self.new_label()
        self.chains.append(f"[{pad}]{chain}[{out}]")
        return out


def build():
    g = Graph()
    truth = {"fps": FPS, "cuts": [], "flashes": [], "soft": []}
    at = 0
    for kind, frames, details in SCENES:
        if at > 0:
            truth["cuts"].append(at)
        if kind == "photo":
            pad = g.pan(*details[:2], frames, details[2])
        elif kind == "gen":
            out = g.new_label()
            g.chains.append(f"{details},trim=end_frame={frames},setpts=PTS-STARTPTS,"
                            f"scale={W}:{H},format=yuv420p,setsar=1[{out}]")
            pad = out
        elif kind == "flash":
            name, how, look, start, length = details
            pad = g.filter(g.pan(name, how, frames, look),
                           f"drawbox=t=fill:c=white:enable='between(n,{start},{start + length - 1})'")
            truth["flashes"].append([at + start, at + start + length - 1])
        elif kind == "camflash":
            name, how, look, start = details
            pad = g.filter(g.pan(name, how, frames, look),
                           f"eq=brightness=0.45:contrast=0.7:enable='between(n,{start},{start + 1})'")
            truth["flashes"].append([at + start, at + start + 1])
        elif kind == "graded":
            first, second = frames
            name, how = details
            whole = g.pan(name, how, first + second)
            a, b = g.new_label(), g.new_label()
            g.chains.append(f"[{whole}]split[{a}][{b}]")
            a = g.filter(a, f"trim=end_frame={first},setpts=PTS-STARTPTS{LOOKS['warm']}")
            b = g.filter(b, f"trim=start_frame={first},setpts=PTS-STARTPTS{LOOKS['cool']}")
            g.pads += [a]
            truth["cuts"].append(at + first)
            pad = b
            frames = first + second
        elif kind == "fade":
            (n1, n2), ((p1, m1), (p2, m2)) = frames, details
            a = g.filter(g.pan(p1, m1, n1), f"fade=t=out:st={(n1 - 12) / FPS}:d={12 / FPS}")
            b = g.filter(g.pan(p2, m2, n2), f"fade=t=in:st=0:d={12 / FPS}")
            g.pads += [a]
            truth["soft"].append([at + n1 - 12, at + n1 + 11])
            pad = b
            frames = n1 + n2
        elif kind == "dissolve":
            (n1, n2), ((p1, m1), (p2, m2)) = frames, details
            a, b = g.pan(p1, m1, n1), g.pan(p2, m2, n2)
            out = g.new_label()
            g.chains.append(f"[{a}][{b}]xfade=transition=fade:duration=1:offset={(n1 - FPS) / FPS}[{out}]")
            truth["soft"].append([at + n1 - FPS, at + n1 - 1])
            pad = out
            frames = n1 + n2 - FPS
        g.pads.append(pad)
        at += frames
    truth["frames"] = at
    graph = ";".join(g.chains) + ";" + "".join(f"[{p}]" for p in g.pads) + f"concat=n={len(g.pads)}:v=1:a=0[v]"
    return g.inputs, graph, truth


def main():
    out, truth_path = sys.argv[1], sys.argv[2]
    inputs, graph, truth = build()
    args = ["ffmpeg", "-nostdin", "-v", "error", "-y"]
    for path in inputs:
        args += ["-i", path]
    args += ["-filter_complex", graph, "-map", "[v]", "-c:v", "libx264", "-preset", "fast", "-crf", "20",
             "-pix_fmt", "yuv420p", "-r", str(FPS), out + ".part.mp4"]
    subprocess.run(args, check=True)
    os.replace(out + ".part.mp4", out)
    with open(truth_path, "w") as f:
        json.dump(truth, f, indent=1)


if __name__ == "__main__":
    main()
