"""The show-file reference (docs/show-file.md): field tables written from the schema, with the
conventions no schema can say. `python -m kinemorphs_show.show_reference > docs/show-file.md`
rewrites it; a test keeps the committed copy equal to this output."""

from kinemorphs_show.show_schema import show_json_schema

INTRODUCTION = """
# Show-file reference

A show is a TOML file: `[show]` settings, optional `[profiles.NAME]` fixture
types, `[[fixtures]]`, optional `[[patterns]]` of your own, and `[[cues]]`; optionally
`[[positions]]`, `[[layers]]`, `[midi]` and `[[timeline]]`.
`examples/shows/quickstart.toml` is a commented example. The tables below
are written from the schema that `kinemorphs-show schema` prints (the same
JSON Schema lies beside the example as `kinemorphs-show.schema.json`; its
first line, `#:schema ./kinemorphs-show.schema.json`, lets taplo / Even Better
TOML complete and check keys). Every field not marked required may be left
out. A wrong type, a value out of range or a conflict between fields stops
`check`, `run` and `render` with exit status 2 and one line naming the file,
the line and the field; nothing is sent.
"""

CONVENTIONS = """
## Stage and angles

- `position = [across, depth, height]` in metres: across grows towards stage
  right (stage left negative), depth grows upstage (away from the audience),
  height grows upward. `by = "angle"` measures from `origin`, 0 straight
  upstage, growing towards stage right.
- Pan and tilt are degrees from the centre of each axis's travel. A cue adds
  its pattern's displacement times `size`: by default x to pan and y to tilt.
  Patterns lift towards −y, so a lift lowers tilt: tilt grows with +y. Which
  way a beam moves for a growing tilt depends on how the fixture hangs; set
  `invert_tilt` when it moves the wrong way.
- `render` draws tilt growing downward, so that a lift is drawn upward as in
  the gallery; the picture says so on its tilt axes.
- `invert_pan` and `invert_tilt` change the DMX values only (a value becomes
  full scale minus itself). The terminal preview, OSC output and `render` show
  the angles before inversion. `swap` exchanges pan and tilt before they are
  limited and sent.
- `home` is where a fixture rests, where cues move around, and where every
  run ends; it must lie inside the fixture's travel and box limits.

## Channels

- Channel numbers in a profile, in `channels = { ... }` and in `axes` are
  1-based and relative to the fixture's `address`: channel 1 is the address
  itself, channel n is DMX channel address + n − 1 of the fixture's universe.
- A fixture occupies `channel_count` channels from its address (its
  footprint). Without a written `channel_count`, fixed `channels` widen the
  footprint to cover them. Every channel a fixture or a cue writes must lie
  in the footprint, must not be a pan or tilt channel (coarse or fine), and
  footprints in one universe must not overlap. A cue's axis may drive a
  channel that also has a fixed level: while the cue runs, its level is sent.
- A 16-bit profile has pan 1, pan fine 2, tilt 3, tilt fine 4 unless it says
  otherwise; a profile that sets only `pan_channel` or `tilt_channel` keeps the
  fine channels 2 and 4, and the overlap error names them "(assumed)". An
  8-bit profile (`bits = 8`) has pan 1, tilt 2 and 2 channels by default.
- Universes run from 1 to 63999. Art-Net sends universe u to port-address
  `artnet_base` + u − 1 (net × 256 + sub-net × 16 + universe).

## Fixture files

- `[profiles.NAME] gdtf = "head.gdtf"` or `ofl = "head.json"` (relative to the
  show file) reads one DMX mode of a GDTF file or an Open Fixture Library
  fixture: pan and tilt (coarse and fine channels, travel in degrees), the
  dimmer (off and full values), the shutter (open and closed values), colour
  (RGB or RGBW mixing channels, or a colour wheel's slots) and the mode's
  channel count. `mode` names the mode when the file has several. The file's
  travel and speed can be corrected with `pan_travel`, `tilt_travel` and
  `max_speed` (OFL files give no speed: 360°/s unless written); the channel
  fields cannot be set for such a profile. A file that cannot be read stops
  the show at the profile's line, naming the file and what is missing.
- GDTF: from `description.xml`, the chosen `DMXMode` only: the Pan / Tilt
  logical channels (coarse and fine by `Offset`, travel from the channel
  function's `PhysicalFrom`..`PhysicalTo`, speed from `RealFade`), the
  `Dimmer` function's `DMXFrom` (off) and `DMXTo` (full), the first
  `Shutter<n>` channel's sets named Open and Closed, `ColorAdd_R/G/B(/W)` or
  `ColorRGB_*` mixing, or a `Color<n>` channel's wheel slots (named by their
  channel sets, coloured by the slot's CIE xyY). Models, geometry, macros and
  the rest are not read; a mode over several DMX breaks is refused.
- Open Fixture Library: the chosen mode's `channels` (their count is the
  footprint; matrix blocks are refused), each resolved in
  `availableChannels` with `fineChannelAliases`; capabilities Pan / Tilt
  (`angleStart`/`angleEnd` in degrees), Intensity, ShutterStrobe with
  `shutterEffect` Open / Closed, ColorIntensity Red / Green / Blue / White and
  WheelSlot (slots of the named `wheels` entry). OFL has no speed figure.

## Aiming at a point

- A cue with `mode = "aim"` moves a focus point: `centre` plus `size_m` times
  the pattern's displacement (x across, y depth, z height), and every head in
  the cue turns to it from its `position`, so heads at different places draw
  the same figure on stage. Layouts still lag each head along the same path
  (`mirror` mirrors the point's x).
- A fixture's `orientation` says how it hangs: `"upright"` (tilt 0 points
  straight up) or `"inverted"` (hung from a truss, tilt 0 straight down).
  `pan_zero_deg` is the stage heading its beam leans towards at pan 0 and
  positive tilt, measured like `by = "angle"`: 0 upstage, 90 towards +across.
  Positive pan turns clockwise seen from above on an upright head, the other
  way on an inverted one.
- Pan and tilt are solved exactly; of the equivalent solutions (pan + 360°,
  or pan + 180° with tilt negated) the one nearest the last frame inside the
  travel and box limits is taken. `check` lists every head and cue whose
  point leaves the head's reach (exit status 1). A head that cannot follow
  the point at the tempo follows a smaller figure around the same centre.

## Intensity and colour

- `intensity` is 0 to 100 % (default 0: dark). An axis set to `"intensity"`
  drives it from the pattern instead: −1 dark, +1 the cue's `intensity`
  (100 unless written), so a beat gesture's hits pulse the dimmer. A type
  without a dimmer opens its shutter for any intensity above 0.
- `colour` is a name (white, red, green, blue, cyan, magenta, yellow, amber,
  orange, pink, purple, lavender), `"#rrggbb"`, or a colour wheel slot's name.
  Mixing fixtures show its RGB (RGBW: white takes the part the three share);
  wheel fixtures take the slot of that name, else the slot nearest in colour.
  A colour some fixture of the cue cannot show stops the show at the cue's
  line. Without a colour a cue shows white where the type can.
- A crossfade fades intensity and mixed colour linearly; a wheel changes slot
  half way. Fixed `channels` levels win over intensity and colour; a fixture
  type with neither dimmer, shutter nor colour channels sends none.
- `[show] dark_on_exit` (default true): every way out of `run` sends the
  fixtures home with their light as it was, waits until the slowest can be
  there (at most 2 s), then closes every shutter and dimmer.

## Layouts

Fixtures are ranked from 0 to 1 (`by`), and the ranks are cut into `wings`
equal parts (2 when `mirror` is set alone, else 1). Within each wing:

- `spread = "rank"` (the default): a fixture lags by its place in the wing
  times `spread_beats`; the first fixture of every wing leads and the last
  trails by the whole spread, whatever the count, so a cue written for eight
  fixtures reads the same on four or twelve.
- `spread = "cycle"`: the fixtures of a wing sit evenly over one cycle of the
  pattern at the cue's speed, a cycle / count apart, so no two share a place
  (by nature this depends on the count). It takes no `spread_beats`.
- `mirror`: every second wing runs in reverse order with x mirrored, so the
  outer fixtures lead and the rig stays symmetric.
- `blocks` > 1: neighbours in one block share a phase (blocks count as the
  places of the wing).

## How cues advance

- `run` starts on the first cue and stays on it until told otherwise: keys
  (`n`/`p` or the arrows) or OSC `/kinemorphs/next`, `/previous` and `/cue N`
  (cues are numbered from 1 wherever a user sees them). A change starts on the
  next `start` boundary of the new cue (beat, bar or phrase) and crossfades
  over `fade_beats` from what is on stage.
- `render --bars B` draws B bars from the start (1 to 256). Without `--cue`
  every cue plays in turn, each for an equal whole number of bars
  (B ÷ number of cues, at least one), the go issued just before its share
  begins, so a `start = "bar"` change begins exactly there and a `"phrase"`
  change waits for the next phrase. `--cue N` (or a name) draws that cue alone.

## Layers, positions, masters and the timeline

- A show without `[[layers]]` is one layer playing every cue on the whole rig,
  exactly as above. With `[[layers]]`, each layer (playback) has its own cue
  list, current cue, go/back/release and masters, on its own fixtures (its
  `fixtures`, or those its cues name); a cue that names no fixtures plays on
  its layer's. Layers run at once: where two drive one fixture the higher
  `priority` wins, and at equal priority the layer started later (written
  later, for layers running from the start). A release fades the layer's
  fixtures back, over `release_beats`, to what the layers under it hold.
- A cue's motion rides on a base: home (the default), a `[[positions]]` name,
  or `"below"` (what the layers under its layer hold). `size = 0` holds the
  base still. A crossfade between bases moves them with the fade, and to a
  position it turns each pan the shorter way round (a whole turn off) when that
  stays inside the limits and travel.
- Masters: per layer `size` (0 to 2) and `rate` (1/4 to 4, exact), and the
  rig's `[show] size_master`. Live: keys (`1`-`9` select a layer, `r`
  releases it, `-`/`=` size, `,`/`.` rate, `{`/`}` the rig's size), OSC
  (`/kinemorphs/LAYER/go i`, `/release`, `/size f`, `/rate f`,
  `/kinemorphs/size f`) and `[midi]`. A size glides to its new value over a
  quarter beat; a rate change keeps the pattern's phase.
- `[[timeline]]` entries act at the start of their bar: `run` plays them from
  the clock (live controls still act on top), `render` draws them (each layer
  alone, then combined), and a MIDI clock's Song Position Pointer lands on the
  look the timeline has there. `run --cue LAYER:CUE` starts with that cue;
  `run --resume` comes back to the state file's cues, masters, phases, tempo
  and position (the file is written whole a few times a second; a torn or
  damaged one is refused with one line).
"""

# (heading, the schema definition it documents), in the order a show file is written.
SECTIONS = (
    ("[show]", "Settings"),
    ("[profiles.NAME]", "ProfileTable"),
    ("[[fixtures]]", "FixtureTable"),
    ("limits = { pan = [...], tilt = [...] }", "BoxLimitsTable"),
    ("limits = { cone = ... }", "ConeLimitsTable"),
    ("[[patterns]]", "PatternTable"),
    ("[[cues]]", "CueTable"),
    ("axes = { x = ..., y = ..., z = ... }", "AxesTable"),
    ("[cues.layout]", "LayoutTable"),
    ("[[positions]]", "PositionTable"),
    ("[[layers]]", "LayerTable"),
    ("[midi]", "MidiTable"),
    ("[[midi.pads]] (or pads = [{ ... }])", "MidiPadTable"),
    ("[[midi.faders]] (or faders = [{ ... }])", "MidiFaderTable"),
    ("[[timeline]]", "TimelineTable"),
)


def number(value: float) -> str:
    return str(int(value)) if value == int(value) else f"{value:g}"


def number_range(node: dict) -> str:
    low, high = node.get("minimum"), node.get("maximum")
    if low is not None and node.get("exclusiveMinimum"):
        low_text = f"above {number(low)}"
    else:
        low_text = None if low is None else number(low)
    if low_text and high is not None:
        return (f" {low_text} to {number(high)}" if not low_text.startswith("above")
                else f" {low_text}, at most {number(high)}")
    if low_text:
        return f" {low_text}" if low_text.startswith("above") else f" at least {low_text}"
    return f" at most {number(high)}" if high is not None else ""


def describe(node: dict, definitions: dict) -> str:
    """A short type for a schema node: `integer 1 to 512`, `"a" | "b"`, `[number, number]`."""
    if "$ref" in node:
        target = definitions[node["$ref"].rsplit("/", 1)[1]]
        return describe(target, definitions) if "enum" in target else "table (below)"
    if "enum" in node:
        return " \\| ".join(f'`"{value}"`' if isinstance(value, str) else f"`{value}`" for value in node["enum"])
    if "anyOf" in node or "oneOf" in node:
        options = {describe(option, definitions): None for option in node.get("anyOf", node.get("oneOf"))}
        return " or ".join(options)
    kind = node.get("type")
    if kind in ("number", "integer"):
        return kind + number_range(node)
    if kind == "array":
        items = node.get("items", {})
        if isinstance(items, list):
            parts = [describe(item, definitions) for item in items]
            return f"[{', '.join(parts)}]" if len(set(parts)) > 1 else f"[{len(parts)} × {parts[0]}]"
        if node.get("minItems") is not None and node.get("minItems") == node.get("maxItems"):
            return f"[{node['minItems']} × {describe(items, definitions)}]"
        return f"list of {describe(items, definitions)}"
    if kind == "object" and "patternProperties" in node:
        (value,) = node["patternProperties"].values()
        return f"table of channel → {describe(value, definitions)}"
    if kind == "string" and "pattern" in node:
        return "string (a ratio)"
    return kind or "value"


def default_text(node: dict, required: bool) -> str:
    if required:
        return "required"
    if "default" not in node or node["default"] in ({}, []):
        return "—" if "default" not in node else f"`{node['default']}`".replace("'", '"')
    value = node["default"]
    if isinstance(value, dict):
        return "see below"
    if isinstance(value, str):
        return f'`"{value}"`'
    if isinstance(value, bool):
        return f"`{str(value).lower()}`"
    if isinstance(value, list):
        return f"`[{', '.join(number(item) if isinstance(item, float) else str(item) for item in value)}]`"
    if isinstance(value, float):
        return f"`{number(value)}`"
    return f"`{value}`"


def one_line(text: str) -> str:
    return " ".join(text.split()).replace("|", "\\|")


def field_table(definition: dict, definitions: dict) -> list[str]:
    required = set(definition.get("required", ()))
    rows = ["| field | type | default | meaning |", "| --- | --- | --- | --- |"]
    for name, node in definition["properties"].items():
        rows.append(f"| `{name}` | {describe(node, definitions)} | {default_text(node, name in required)} | "
                    f"{one_line(node.get('description', ''))} |")
    return rows


def show_file_reference() -> str:
    definitions = show_json_schema()["definitions"]
    lines = [INTRODUCTION.strip(), ""]
    for heading, name in SECTIONS:
        definition = definitions[name]
        lines += [f"## `{heading}`", "", one_line(definition.get("description", "")), "",
                  *field_table(definition, definitions), ""]
    lines += [CONVENTIONS.strip(), ""]
    return "\n".join(lines)


if __name__ == "__main__":
    print(show_file_reference(), end="")
