#!/usr/bin/env python3
"""Times orxa-host against the tools people use, side by side in one run.

    scripts/bench-compare.py BUILD [--rounds N] [--only NAME,...]

The inputs are synthesised once into BUILD/bench-inputs (several sox voices with envelopes and
noise, encoded by flac -5) and reused by later runs. Each pair runs A B A B ...: one warm-up
round that is not counted, then N rounds. A round's ratio is A/B of its own two runs, so both
sides see the same machine load; the table gives the median ratio and the smallest and largest.
CPU time is user + system of the process and its children (wait4); peak resident memory is
GNU time's.
The table goes to standard output and to BUILD/bench-results/compare.md, every round's ratio to
compare.json beside it. "met" compares the unrounded median with the target.
"""

import argparse
import datetime
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import time

SECONDS = 300  # of each input
HOUR = 3600


def log(text):
    print(text, file=sys.stderr, flush=True)


def run(argv, stdout=None):
    """Runs argv (a list, or a shell line when a string); its wall and CPU seconds."""
    out = open(stdout or os.devnull, "wb")
    start = time.perf_counter()
    process = subprocess.Popen(argv, shell=isinstance(argv, str), stdout=out,
                               stderr=subprocess.PIPE)
    # wait4 before communicate would deadlock on a full stderr pipe; these tools say little.
    err = process.stderr.read()
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    out.close()
    if process.returncode != 0:
        raise RuntimeError("%s failed (%d): %s" % (argv, process.returncode,
                                                    err.decode(errors="replace")[-400:]))
    return {"wall": wall, "cpu": usage.ru_utime + usage.ru_stime}


def peak_kib(argv, scratch):
    """Peak resident memory of argv in KiB, by GNU time. ru_maxrss from our own wait4 would not
    do: the child's figure starts from the high-water mark of the process that forked it (vfork
    hands over Python's whole address space), and time is small."""
    report = os.path.join(scratch, "time.txt")
    run(["/usr/bin/time", "-f", "%M", "-o", report] + argv)
    with open(report) as text:
        return int(text.read().split()[-1])


def sh(line):
    subprocess.run(line, shell=True, check=True)


# --- inputs

def voices(folder, rate, seconds):
    """Five mono voices at `rate`: plucked and bowed tones under slow envelopes, a glide, a
    buzzing square and pink noise. sox's tremolo is the envelope (rate in Hz, depth in %)."""
    chains = [
        "synth %d pluck 220 tremolo 1.7 85" % seconds,
        "synth %d sine 330:660 tremolo 0.31 70" % seconds,
        "synth %d triangle 110 tremolo 0.53 90 vol 0.8" % seconds,
        "synth %d square 440 tremolo 3.1 95 vol 0.12" % seconds,
        "synth %d pinknoise tremolo 0.11 60 vol 0.08" % seconds,
    ]
    paths = []
    for i, chain in enumerate(chains):
        path = os.path.join(folder, "voice%d-%d.wav" % (i, rate))
        if not os.path.exists(path):
            sh("sox -q -n -r %d -c 1 -b 24 %s %s" % (rate, path, chain))
        paths.append(path)
    return paths


# Each output channel's mix of the five voices, as remix arguments.
MIXES = {
    2: "1v0.5,2v0.3,3v0.4,4v0.2,5v0.3 1v0.3,2v0.5,3v0.4,4v0.1,5v0.3",
    6: ("1v0.6,2v0.2,5v0.2 2v0.6,1v0.2,5v0.2 1v0.3,2v0.3,4v0.3 3v0.8 "
        "1v0.2,4v0.4,5v0.4 2v0.2,4v0.4,5v0.3"),
}


def make_input(folder, name, rate, bits, channels, keep_wav):
    flac = os.path.join(folder, name + ".flac")
    wav = os.path.join(folder, name + ".wav")
    if os.path.exists(flac) and (os.path.exists(wav) or not keep_wav):
        return flac, wav
    log("bench: synthesising %s (%d s, %d-bit, %d Hz, %d channels)" %
        (name, SECONDS, bits, rate, channels))
    sources = " ".join(voices(folder, rate, SECONDS))
    part = wav + ".part"
    sh("sox -q -M %s -b %d -e signed-integer -t wavpcm %s vol 0.6 remix %s norm -3" %
       (sources, bits, part, MIXES[channels]))
    for voice in sources.split():
        os.remove(voice)
    os.replace(part, wav)
    sh("flac -s -f -5 --channel-map=none -o %s.part %s" % (flac, wav))
    os.replace(flac + ".part", flac)
    if not keep_wav:
        os.remove(wav)
    return flac, wav


def make_hour(folder, five_minutes):
    """An hour of the 16-bit stereo input: twelve copies one after the other, through flac -5."""
    hour = os.path.join(folder, "hour-16-44k-stereo.flac")
    if os.path.exists(hour):
        return hour
    log("bench: making the one-hour file")
    copies = " ".join([five_minutes] * (HOUR // SECONDS))
    sh("sox -q %s -t raw -b 16 -e signed-integer -L - | flac -s -f -5 --force-raw-format "
       "--endian=little --sign=signed --channels=2 --bps=16 --sample-rate=44100 -o %s.part -"
       % (copies, hour))
    os.replace(hour + ".part", hour)
    return hour


# --- measuring

def ratios(a, b, rounds, measure, repeat=1):
    """A and B alternately: one warm-up round, then `rounds`; the ratio A/B of each round, for
    one measure ("cpu", "wall") or, given a tuple, a list for each measure of the same runs."""
    measures = measure if isinstance(measure, tuple) else (measure,)
    result = {m: [] for m in measures}
    for i in range(rounds + 1):
        ta = dict.fromkeys(measures, 0.0)
        tb = dict.fromkeys(measures, 0.0)
        for _ in range(repeat):
            usage = run(a)
            for m in measures:
                ta[m] += usage[m]
        for _ in range(repeat):
            usage = run(b)
            for m in measures:
                tb[m] += usage[m]
        if i > 0:
            for m in measures:
                result[m].append(ta[m] / tb[m] if tb[m] > 0 else float("inf"))
    return result if isinstance(measure, tuple) else result[measure]


class Table:
    def __init__(self):
        self.rows = []
        self.raw = []  # every round's ratio, for bench-results/compare.json

    def add(self, pair, measure, values, target, note=""):
        if values is None:
            self.rows.append([pair, measure, "-", "-", "<= %.2f" % target, "not run", note])
            return
        median = statistics.median(values)
        self.raw.append({"pair": pair, "measure": measure, "ratios": values, "target": target})
        self.rows.append([pair, measure, "%.3f" % median,
                          "%.3f - %.3f" % (min(values), max(values)), "<= %.2f" % target,
                          "yes" if median <= target else "no", note])
        log("bench: %s, %s: %.3f" % (pair, measure, median))

    def add_value(self, pair, measure, value, target_text, met, note=""):
        self.rows.append([pair, measure, value, "-", target_text, "yes" if met else "no", note])
        log("bench: %s, %s: %s" % (pair, measure, value))

    def markdown(self):
        head = ["pair (A vs B)", "measure", "median A/B", "min - max", "target", "met", "note"]
        lines = ["| " + " | ".join(head) + " |", "|" + "---|" * len(head)]
        lines += ["| " + " | ".join(row) + " |" for row in self.rows]
        return "\n".join(lines)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("build")
    parser.add_argument("--rounds", type=int, default=int(os.environ.get("ROUNDS", "5")))
    parser.add_argument("--only", default="", help="comma-separated row groups: decode, md5, "
                        "encode, ffmpeg, sox, transcode, jobs, info, rss, allocations")
    args = parser.parse_args()
    build = os.path.abspath(args.build)
    rounds = max(1, args.rounds)
    only = set(filter(None, args.only.split(",")))

    def wanted(group):
        return not only or group in only

    host = os.path.join(build, "orxa-host")
    reference = os.path.join(build, "flac-reference-decoder")
    allocations = os.path.join(build, "frame-allocations")
    for program in (host, reference, allocations):
        if not os.access(program, os.X_OK):
            sys.exit("bench: %s is missing; build with ORXA_BUILD_BENCH=ON" % program)
    for tool in ("sox", "flac", "metaflac", "/usr/bin/time"):
        if not shutil.which(tool):
            sys.exit("bench: %s is missing (scripts/deps.sh installs it)" % tool)

    inputs = os.path.join(build, "bench-inputs")
    results = os.path.join(build, "bench-results")
    scratch = os.path.join(results, "scratch")
    for folder in (inputs, results, scratch):
        os.makedirs(folder, exist_ok=True)

    cd16, wav16 = make_input(inputs, "16-44k-stereo", 44100, 16, 2, True)
    hires, wav24 = make_input(inputs, "24-96k-stereo", 96000, 24, 2, True)
    surround, _ = make_input(inputs, "16-48k-5.1", 48000, 16, 6, False)
    second = os.path.join(inputs, "16-44k-stereo-copy.flac")
    if not os.path.exists(second):
        shutil.copyfile(cd16, second)
    hour = make_hour(inputs, cd16) if wanted("rss") else None

    started = datetime.datetime.now(datetime.timezone.utc)
    load_before = os.getloadavg()
    table = Table()
    orxa = [host, "-q"]
    flac_d = ["flac", "-s", "-d", "-f", "-o", "/dev/null", "--force-raw-format",
              "--endian=little", "--sign=signed"]

    if wanted("decode"):
        for name, path in (("16/44.1 stereo", cd16), ("24/96 stereo", hires),
                           ("16/48 5.1", surround)):
            values = ratios(orxa + ["decode", path, "-o", "-", "-t", "raw", "--no-md5"],
                            [reference, path], rounds, "cpu")
            table.add("decode --no-md5 vs reference decoder, " + name, "CPU", values, 1.03)

    if wanted("md5"):
        a = orxa + ["decode", cd16, "-o", "-", "-t", "raw"]
        b = flac_d + [cd16]
        both = ratios(a, b, rounds, ("cpu", "wall"))
        table.add("decode (MD5 checked) vs flac -d, 16/44.1 stereo", "CPU", both["cpu"], 0.90)
        table.add("decode (MD5 checked) vs flac -d, 16/44.1 stereo", "wall", both["wall"], 0.75,
                  "same runs as the CPU row")

    if wanted("encode"):
        for name, wav in (("16/44.1 stereo", wav16), ("24/96 stereo", wav24)):
            ours = os.path.join(scratch, "orxa.flac")
            theirs = os.path.join(scratch, "flac.flac")
            values = ratios(orxa + ["encode", wav, "-f", "-o", ours],
                            ["flac", "-s", "-f", "-5", "-b", "4608", "-r", "3,3", "-o", theirs,
                             wav], rounds, "cpu")
            size = os.path.getsize(ours) / os.path.getsize(theirs)
            table.add("encode vs flac -5 -b 4608 -r 3,3, " + name, "CPU", values, 1.02,
                      "size A/B %.5f (%s 0.1%%)" %
                      (size, "within" if abs(size - 1) <= 0.001 else "outside"))

    if wanted("ffmpeg"):
        pair = "decode --rate 48000 vs ffmpeg soxr, 16/44.1 stereo"
        if shutil.which("ffmpeg"):
            values = ratios(orxa + ["decode", cd16, "--rate", "48000", "-o", "-", "-t", "raw"],
                            ["ffmpeg", "-v", "quiet", "-i", cd16, "-af",
                             "aresample=48000:resampler=soxr", "-f", "s16le", "-"],
                            rounds, "cpu")
            table.add(pair, "CPU", values, 0.50)
        else:
            table.add(pair, "CPU", None, 0.50, "ffmpeg is not installed")

    if wanted("sox"):
        values = ratios(orxa + ["decode", hires, "--rate", "48000", "-o", "-", "-t", "raw"],
                        ["sox", "-q", hires, "-t", "raw", "-", "rate", "-v", "48000"],
                        rounds, "cpu")
        table.add("decode --rate 48000 vs sox rate -v, 24/96 stereo", "CPU", values, 0.60)

    if wanted("transcode"):
        out = os.path.join(scratch, "transcoded.flac")
        middle = os.path.join(scratch, "middle.wav")
        a = orxa + ["transcode", cd16, "--rate", "48000", "-f", "-o", out]
        b = ("'%s' -q decode '%s' --rate 48000 -f -o '%s' && '%s' -q encode '%s' -f -o '%s'"
             % (host, cd16, middle, host, middle, out))
        table.add("transcode --rate 48000 vs decode then encode, 16/44.1 stereo", "wall",
                  ratios(a, b, rounds, "wall"), 0.65)

    if wanted("jobs"):
        folder = os.path.join(scratch, "jobs")
        a = orxa + ["decode", "--jobs", "2", cd16, second, "-t", "raw", "-f", "-d", folder]
        b = ("'%s' -q decode '%s' -t raw -f -d '%s' && '%s' -q decode '%s' -t raw -f -d '%s'"
             % (host, cd16, folder, host, second, folder))
        table.add("decode --jobs 2 of two files vs one after the other", "wall",
                  ratios(a, b, rounds, "wall"), 0.55)

    if wanted("info"):
        # Ten starts a side per round: one start is a few milliseconds.
        table.add("info vs metaflac --list (start-up)", "CPU",
                  ratios(orxa + ["info", cd16], ["metaflac", "--list", cd16], rounds, "cpu",
                         repeat=10), 1.5, "ten starts a side per round")

    if wanted("rss"):
        peaks = []
        for _ in range(3):
            a = peak_kib(orxa + ["decode", hour, "-o", "-", "-t", "raw"], scratch)
            b = peak_kib(flac_d + [hour], scratch)
            peaks.append((a, b))
        a = statistics.median(p[0] for p in peaks)
        b = statistics.median(p[1] for p in peaks)
        table.add_value("decode of one hour vs flac -d, peak resident memory", "peak RSS",
                        "%.2f" % (a / b), "<= 1.50", a / b <= 1.5,
                        "%.1f MB vs %.1f MB (median of 3)" % (a / 1024, b / 1024))

    if wanted("allocations"):
        for name, layout in (("no conversion", ["44100", "2", "2"]),
                             ("44.1 -> 48 kHz", ["48000", "2", "2"])):
            text = subprocess.run([allocations, cd16] + layout, check=True,
                                  capture_output=True, text=True).stdout
            count = json.loads(text)
            table.add_value("heap allocations per decoded frame, steady state, " + name,
                            "count", "%.2f" % count["per_frame"], "0", count["per_frame"] == 0,
                            "%d allocations over %d frames" %
                            (count["allocations"], count["frames"]))

    load_after = os.getloadavg()
    finished = datetime.datetime.now(datetime.timezone.utc)
    header = [
        "orxa-host against the tools, %s UTC (%d rounds after one warm-up, %.0f s)" %
        (started.strftime("%Y-%m-%d %H:%M"), rounds, (finished - started).total_seconds()),
        "",
        "Machine: %s, %d cores, %s; load average %.1f at the start, %.1f at the end." %
        (platform.machine(), os.cpu_count() or 0, platform.release(), load_before[0],
         load_after[0]),
        "Inputs: %d s each of synthesised music (sox voices, flac -5) in %s." %
        (SECONDS, os.path.relpath(inputs, os.getcwd())),
        "",
    ]
    text = "\n".join(header) + table.markdown() + "\n"
    with open(os.path.join(results, "compare.md"), "w") as out:
        out.write(text)
    with open(os.path.join(results, "compare.json"), "w") as out:
        json.dump(table.raw, out, indent=1)
    print(text)
    print("results: %s" % os.path.join(results, "compare.md"))


if __name__ == "__main__":
    main()
