#!/usr/bin/env python3
"""Speech transcription: `lumbex voice transcribe` against `pocketsphinx_continuous`, and the gain
from a note's own words.

1. The recorded LibriVox utterances of pocketsphinx-testdata, transcribed by both tools in the
   same run (alternating, median of --runs wall times, model loading included for both): word
   error rate against the reference transcription and real-time factor (wall seconds / audio
   seconds).
2. Developer phrases spoken over screenshots, synthesised with flite's kal16 and rms voices,
   transcribed by build/bench/voice_vocabulary_transcribe without and with the note's words (its
   title, note texts, recognised image text and file names): word error rate of each.

usage: bench/voice_transcription_bench.py BUILD_DIR [--runs N] [--keep DIR]
"""
import argparse
import os
import re
import resource
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
import wave

DATA = "/usr/share/pocketsphinx/test/data/librivox"

# What the user says over the screenshots of one note.
PHRASES = [
    "the navbar overlaps the sidebar toggle",
    "move the save changes button to the right",
    "the dark mode toggle is misaligned",
    "the notifications badge is clipped",
    "settings view should scroll when the window is narrow",
    "increase the padding of the sidebar",
    "the dropdown opens behind the modal",
    "fix the tooltip on the export button",
    "the login form ignores the enter key",
    "rename the preferences tab to settings",
    "the avatar is blurry on retina screens",
    "the breadcrumb wraps onto two lines",
]

# The note those phrases were spoken into: title, the user's typed texts, the text recognised in
# its screenshots and its image file names. Not the spoken sentences themselves.
NOTE_WORDS = """Settings window layout bugs
Navbar overlaps the sidebar toggle
Save Changes button position
Dark Mode toggle misaligned
Notifications badge clipped
SettingsView.swift
SidebarToggle.tsx
Preferences
Export
Login
Enter your password
Dropdown menu
Modal dialog
Tooltip
Avatar retina screenshot
Breadcrumb navigation padding
"""


def words(text):
    return re.sub(r"[^a-z' ]", " ", text.lower()).split()


def edit_distance(a, b):
    row = list(range(len(b) + 1))
    for i, x in enumerate(a, 1):
        previous, row[0] = row[0], i
        for j, y in enumerate(b, 1):
            previous, row[j] = row[j], min(row[j] + 1, row[j - 1] + 1, previous + (x != y))
    return row[-1]


def wer(pairs):
    errors = sum(edit_distance(words(ref), words(hyp)) for ref, hyp in pairs)
    return errors / sum(len(words(ref)) for ref, _ in pairs)


def seconds_of(path):
    with wave.open(path) as w:
        return w.getnframes() / w.getframerate()


def timed(command):
    """Wall seconds, CPU seconds (user + system of the child) and the finished process."""
    before = resource.getrusage(resource.RUSAGE_CHILDREN)
    start = time.perf_counter()
    result = subprocess.run(command, capture_output=True, text=True)
    wall = time.perf_counter() - start
    after = resource.getrusage(resource.RUSAGE_CHILDREN)
    cpu = (after.ru_utime - before.ru_utime) + (after.ru_stime - before.ru_stime)
    return (wall, cpu), result


def librivox(lumbex, runs):
    references = {}
    with open(os.path.join(DATA, "transcription")) as f:
        for line in f:
            m = re.match(r"<s> (.*) </s> \((.*)\)", line.strip())
            if m:
                references[m.group(2)] = m.group(1)
    rows = []
    for name, reference in sorted(references.items()):
        path = os.path.join(DATA, name + ".wav")
        ours, peer = [], []
        for _ in range(runs):
            t, r = timed([lumbex, "voice", "transcribe", path])
            ours.append(t)
            ours_text = r.stdout.strip()
            t, r = timed(["pocketsphinx_continuous", "-infile", path, "-logfn", "/dev/null"])
            peer.append(t)
            peer_text = " ".join(line.strip() for line in r.stdout.splitlines() if line.strip())
        rows.append((name, seconds_of(path), reference, ours_text,
                      tuple(statistics.median(t[k] for t in ours) for k in (0, 1)), peer_text,
                      tuple(statistics.median(t[k] for t in peer) for k in (0, 1))))
    audio = sum(r[1] for r in rows)
    print("LibriVox utterances (%d files, %.1f s of audio, median of %d runs)" %
          (len(rows), audio, runs))
    print("RTF: wall seconds / audio seconds (CPU seconds / audio seconds), model loading included")
    print("%-44s %6s %8s %8s %15s %15s" % ("file", "secs", "WER ours", "WER peer", "RTF ours",
                                            "RTF peer"))
    for name, secs, ref, ours_text, ours_t, peer_text, peer_t in rows:
        print("%-44s %6.2f %7.0f%% %7.0f%% %6.2f (%5.2f) %6.2f (%5.2f)" % (
            name, secs, 100 * wer([(ref, ours_text)]), 100 * wer([(ref, peer_text)]),
            ours_t[0] / secs, ours_t[1] / secs, peer_t[0] / secs, peer_t[1] / secs))
    print("%-44s %6.2f %7.0f%% %7.0f%% %6.2f (%5.2f) %6.2f (%5.2f)" % (
        "all", audio, 100 * wer([(r[2], r[3]) for r in rows]),
        100 * wer([(r[2], r[5]) for r in rows]), sum(r[4][0] for r in rows) / audio,
        sum(r[4][1] for r in rows) / audio, sum(r[6][0] for r in rows) / audio,
        sum(r[6][1] for r in rows) / audio))
    for r in rows:
        print("    %s\n      ours: %s\n      peer: %s" % (r[2], r[3], r[5]))
    return [os.path.join(DATA, r[0] + ".wav") for r in rows], audio


def decoding_only(tool, files, audio):
    """Ours without the model's loading, which the session does while the microphone starts."""
    result = subprocess.run([tool] + files, capture_output=True, text=True, check=True)
    fields = [l.split("\t") for l in result.stdout.splitlines()]
    load = sum(float(f[1]) for f in fields)
    wall = sum(float(f[2]) for f in fields)
    cpu = sum(float(f[3]) for f in fields)
    print("decoding alone (ours): RTF %.2f wall (%.2f CPU with loading); loading %.2f s a file" % (
        (wall - load) / audio, cpu / audio, load / len(fields)))


def vocabulary_cost(tool, folder, files):
    """The note's words over speech that has nothing to do with the note: what they cost."""
    notes = os.path.join(folder, "note-words.txt")
    references = {}
    with open(os.path.join(DATA, "transcription")) as f:
        for line in f:
            m = re.match(r"<s> (.*) </s> \((.*)\)", line.strip())
            if m:
                references[m.group(2)] = m.group(1)
    result = subprocess.run([tool, "--words", notes] + files, capture_output=True, text=True,
                            check=True)
    texts = [l.split("\t")[0] for l in result.stdout.splitlines()]
    pairs = [(references[os.path.basename(p)[:-4]], t) for p, t in zip(files, texts)]
    print("  LibriVox utterances with the same note's words: WER %.0f%%" % (100 * wer(pairs)))


def vocabulary(tool, folder):
    notes = os.path.join(folder, "note-words.txt")
    with open(notes, "w") as f:
        f.write(NOTE_WORDS)
    files, references = [], []
    for voice in ("kal16", "rms"):
        for i, phrase in enumerate(PHRASES):
            path = os.path.join(folder, "%s-%02d.wav" % (voice, i))
            subprocess.run(["flite", "-voice", voice, "-t", phrase, "-o", path], check=True)
            files.append(path)
            references.append(phrase)

    def run(extra):
        result = subprocess.run([tool] + extra + files, capture_output=True, text=True,
                                check=True)
        fields = [l.split("\t") for l in result.stdout.splitlines()]
        # Decoding alone: the whole file's wall time less the model's loading.
        return [f[0] for f in fields], sum(float(f[2]) - float(f[1]) for f in fields)

    plain, plain_time = run([])
    noted, noted_time = run(["--words", notes])
    audio = sum(seconds_of(p) for p in files)
    print()
    print("Developer phrases, flite kal16 and rms (%d files, %.1f s of audio)" %
          (len(files), audio))
    print("  RTF: decoding wall seconds / audio seconds, after the model is loaded")
    print("  without the note's words: WER %.0f%%  (RTF %.2f)" %
          (100 * wer(list(zip(references, plain))), plain_time / audio))
    print("  with the note's words:    WER %.0f%%  (RTF %.2f)" %
          (100 * wer(list(zip(references, noted))), noted_time / audio))
    for voice_index, voice in enumerate(("kal16", "rms")):
        part = slice(voice_index * len(PHRASES), (voice_index + 1) * len(PHRASES))
        print("  %-6s without %.0f%%, with %.0f%%" % (
            voice, 100 * wer(list(zip(references[part], plain[part]))),
            100 * wer(list(zip(references[part], noted[part])))))
    for ref, a, b in zip(references, plain, noted):
        if a != b:
            print("    %-52s | %-52s | %s" % (ref, a, b))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--keep")
    args = parser.parse_args()
    lumbex = os.path.join(args.build, "lumbex")
    tool = os.path.join(args.build, "bench/voice_vocabulary_transcribe")
    for needed in (lumbex, tool):
        if not os.path.exists(needed):
            sys.exit("missing %s: build it first" % needed)
    for program in ("pocketsphinx_continuous", "flite"):
        if not shutil.which(program):
            sys.exit("missing %s: scripts/install-deps --bench" % program)
    folder = args.keep or tempfile.mkdtemp()
    os.makedirs(folder, exist_ok=True)
    os.environ["XDG_DATA_HOME"] = os.path.join(folder, "data")
    files, audio = librivox(lumbex, args.runs)
    decoding_only(tool, files, audio)
    vocabulary(tool, folder)
    vocabulary_cost(tool, folder, files)
    if not args.keep:
        shutil.rmtree(folder)


if __name__ == "__main__":
    main()
