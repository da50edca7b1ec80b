import asyncio
import io
import time

import pytest

from end_to_end_receiver import (
    assert_received_in_order, ola_unavailable_reason, olad_artnet_receiver, plugins_started, read_recording,
)
from kinemorphs_show.outputs import OutputOptions, open_output, parse_output_destination
from kinemorphs_show.run.command import run_show
from kinemorphs_show.status_line import StatusLine
from outputs_fakes import FixedTempoClock, ScriptedEngine

RUN_SECONDS = 2.0
FRAME_RATE = 44.0
UNIVERSES = (1, 2)

pytestmark = pytest.mark.skipif(ola_unavailable_reason() is not None, reason=str(ola_unavailable_reason()))


def test_frames_reach_olad_over_artnet_in_order_and_the_fixtures_go_home(tmp_path):
    engine = ScriptedEngine(universes=UNIVERSES)
    records, homes = [], []
    with olad_artnet_receiver(UNIVERSES, tmp_path) as ola:
        output = open_output(parse_output_destination("artnet://127.0.0.1"), OutputOptions(frame_rate=FRAME_RATE))
        code = asyncio.run(run_show(engine, FixedTempoClock(start_ns=time.monotonic_ns()), [output], FRAME_RATE,
                                    seconds=RUN_SECONDS, on_frame=records.append, on_home=homes.append,
                                    status=StatusLine(io.StringIO())))
        time.sleep(0.2)     # let olad hand the last packets to the recorder
    assert code == 0 and plugins_started(ola.log) == ["ArtNet"]
    received = read_recording(ola.recording)
    assert {frame.universe for frame in received} == set(UNIVERSES)
    sent = [record.frame for record in records] + homes
    for universe in UNIVERSES:
        got = [frame.values for frame in received if frame.universe == universe]
        assert_received_in_order([frame.universes[universe] for frame in sent], got)
