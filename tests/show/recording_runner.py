"""`kinemorphs-show run` with a hook that records each frame it sends: slot, pip, DMX and when, as JSON lines.

Usage: recording_runner.py RECORD SHOW SECONDS START_AT|none UNIVERSES|all ARTNET_PORT
"""

import json
import sys
import time

from kinemorphs_show.run.command import run_command


def main() -> int:
    record_path, show, seconds, start_at, universes, port = sys.argv[1:]
    with open(record_path, "w", encoding="utf-8") as record:
        def write(sent) -> None:
            universes_sent = {str(number): data.hex() for number, data in sent.frame.universes.items()}
            record.write(json.dumps({"index": sent.index, "pip": sent.frame.pip, "universes": universes_sent,
                                     "sent_s": time.monotonic()}) + "\n")
        return run_command(show, float(seconds), None, [f"artnet://127.0.0.1:{port}"],
                           start_at=None if start_at == "none" else start_at,
                           universes=None if universes == "all" else universes, on_frame=write)


if __name__ == "__main__":
    sys.exit(main())
