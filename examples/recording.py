"""Capture a SampledRecording from sampled values and read it back.

    .venv/bin/python examples/recording.py

A recording is a take laid on the pip grid: one row of named axis values per
pip from a start pip, with the tempo and the time of beat zero it was taken
at. Unlike a pattern it does not repeat, so reading outside it raises
IndexError.
"""

import kinemorphs

BPM = 96.0
START_PIP = 4 * kinemorphs.PIPS_PER_BEAT        # the take starts on beat 4 ...
ROWS = 2 * kinemorphs.PIPS_PER_BEAT             # ... and lasts two beats

# Capture: sample a helix pip by pip and keep its three axes as pan, tilt and zoom.
rows = [list(kinemorphs.helix(pip).as_tuple()) for pip in range(START_PIP, START_PIP + ROWS)]
take = kinemorphs.SampledRecording("helix_take", ["pan", "tilt", "zoom"], rows, BPM,
                                   beat_zero_seconds=1.5, start_pip=START_PIP)

last_pip = take.start_pip + take.sample_count - 1
print(f"recording {take.name}: {take.sample_count} rows of {take.dimensions} "
      f"at {take.bpm:g} BPM, beat zero at {take.beat_zero_seconds:g} s")
print(f"covers pips {take.start_pip}..{last_pip}")

print(f"{'pip':>5} " + " ".join(f"{axis:>7}" for axis in take.dimensions))
for pip in range(take.start_pip, last_pip + 1, kinemorphs.PIPS_PER_BEAT // 4):
    values = take.sample(pip)
    assert values == list(kinemorphs.helix(pip).as_tuple())   # read back exactly as captured
    print(f"{pip:>5} " + " ".join(f"{value:+7.3f}" for value in values))

for pip in (take.start_pip - 1, last_pip + 1):
    try:
        take.sample(pip)
    except IndexError as error:
        print(f"pip {pip}: IndexError: {error}")
