"""The stage view and operator page, served by the runner itself (`run --web`, `preview`).

One page (static/index.html, app.js, style.css and three.js r111 vendored beside them, so
no network is needed) and a small API that other software may use as well:

GET  /api/state    JSON: title, frame_rate, cues (names; numbers shown are 1-based),
                   frame (index of the last frame sent), pip, bpm, bar, beat, bar_beat ("3.2"),
                   cue (what the last frame played, e.g. "a -> b" in a crossfade),
                   current_cues (1-based) and running (their names), fps and
                   worst_lateness_ms (over the last second), run_worst_lateness_ms,
                   limited (names), layers: one object per [[layers]] entry (none for a show
                   without them) with name, cues (names, in the layer's order; its cue numbers
                   are 1-based within it), running (the cue's name or null), running_number,
                   released, size (0..2) and rate (1/4..4) masters, size_master (the rig's),
                   and fixtures: one object per fixture with name,
                   position_m [across, depth, height], orientation {inverted, pan_zero_deg},
                   and from the last frame sent (after limits, slew and crossfades) pan_deg,
                   tilt_deg (degrees from the centre of travel), limited, and intensity
                   (0..1) / colour ([r, g, b] in 0..1) when the show drives them.
POST /api/control  body (application/json) {"command": NAME, "value": NUMBER}: NAME is one of
                   the OSC controls (tap, resync, next, previous, quit, bpm, nudge, cue) with
                   the same bounds and refusals, or "go" with "cue" (1-based number or name;
                   without one, the next cue). With "layer" (name or 1-based number): go
                   (its cue number or name), release, size (0..2) and rate (1/4..4, e.g. 0.5)
                   are that layer's OSC controls; size without a layer is the rig's.
                   Reply {"ok": bool, "refused": text or null};
                   400 for a body that is no control at all.
GET  /api/ws       WebSocket. The server sends {"type": "stage", ...} (title, frame_rate, cues,
                   layers with name and cues, fixtures with name, position_m, orientation) once, then one
                   {"type": "frame", ...} per frame sent (at most 60 a second; a slow client
                   gets the newest frame, never a backlog): the status fields of /api/state
                   and per-fixture arrays in rig order: pan, tilt (degrees, 4 decimals),
                   limited (indices), intensity and colour when present. A client may send
                   the control messages of POST /api/control; each gets {"type": "reply", ...}.

Bound to a loopback address no login is needed. Bound to any other address the runner prints
a random token at start; every request (the page and its files included) and the WebSocket
must carry it as `Authorization: Bearer TOKEN` or `?token=TOKEN`, and a request without it is
answered 401 before it reaches the show.
"""
