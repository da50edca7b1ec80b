"""Read [[positions]], [[layers]], [midi] and [[timeline]] of a validated show document; errors
name the file, line and field like every other show-file error."""

from dataclasses import replace

from kinemorphs_show.playback.model import Fader, Layer, MidiMap, Pad, Position, TimelineEvent
from kinemorphs_show.rig import Rig
from kinemorphs_show.show_fields import Source, fail

IMPLICIT_LAYER = "main"
BELOW = "below"  # a cue's position meaning: ride on what the layers under its layer hold


def check_unique(source: Source, key: str, names: list[str]) -> None:
    seen = set()
    for index, name in enumerate(names):
        if name in seen:
            raise fail(source, (key, index, "name"), f"another entry in [[{key}]] is already named {name!r}")
        seen.add(name)


def member_names(rig: Rig) -> set[str]:
    return {fixture.name for fixture in rig.fixtures} | {g for fixture in rig.fixtures for g in fixture.groups}


def read_positions(source: Source, tables, rig: Rig) -> tuple[Position, ...]:
    check_unique(source, "positions", [table.name for table in tables])
    for index, table in enumerate(tables):
        if table.name == BELOW:
            raise fail(source, ("positions", index, "name"),
                       f"{BELOW!r} is the base under a layer, not a position name")
    names = member_names(rig)
    positions = []
    for index, table in enumerate(tables):
        angles = [table.pan_tilt if table.pan_tilt is not None else fixture.home_deg for fixture in rig.fixtures]
        groups, own = [], []
        for member, pan_tilt in table.fixtures.items():
            if member not in names:
                raise fail(source, ("positions", index, "fixtures", member), f"no fixture or group is named {member!r}")
            (own if any(f.name == member for f in rig.fixtures) else groups).append((member, pan_tilt))
        for member, pan_tilt in groups + own:  # a fixture's own entry is applied last
            for fixture_index in rig.in_groups((member,)):
                angles[fixture_index] = tuple(float(a) for a in pan_tilt)
        positions.append(Position(table.name, tuple((float(p), float(t)) for p, t in angles)))
    return tuple(positions)


def check_cue_positions(source: Source, cue_tables, positions: tuple[Position, ...]) -> None:
    known = {position.name for position in positions}
    for index, table in enumerate(cue_tables):
        if table.position is not None and table.position not in known | {BELOW}:
            raise fail(source, ("cues", index, "position"),
                       f"no position is named {table.position!r}; positions: {', '.join(sorted(known)) or 'none'}")


def read_layers(source: Source, tables, cue_tables, rig: Rig) -> tuple[Layer, ...]:
    every_fixture = tuple(range(len(rig.fixtures)))
    if not tables:
        return (Layer(IMPLICIT_LAYER, tuple(range(len(cue_tables))), every_fixture),)
    check_unique(source, "layers", [table.name for table in tables])
    cue_index = {table.name: index for index, table in enumerate(cue_tables)}
    names = member_names(rig)
    layers = []
    for index, table in enumerate(tables):
        cues = []
        for cue in table.cues:
            if cue not in cue_index:
                raise fail(source, ("layers", index, "cues"), f"no cue is named {cue!r}")
            cues.append(cue_index[cue])
        for member in table.fixtures:
            if member not in names:
                raise fail(source, ("layers", index, "fixtures"), f"no fixture or group is named {member!r}")
        members = list(table.fixtures)
        if not members:
            cue_members = [cue_tables[cue].fixtures for cue in cues]
            members = [] if any(not m for m in cue_members) else [name for m in cue_members for name in m]
        fixtures = rig.in_groups(tuple(members)) if members else every_fixture
        layers.append(Layer(table.name, tuple(cues), fixtures, table.priority, table.running, table.size,
                            table.rate, table.release_beats, str(table.release_start)))
    return tuple(layers)


def cues_on_their_layers(cues: tuple, layers: tuple[Layer, ...], rig: Rig) -> tuple:
    """A cue that names no fixtures plays on the fixtures of the first layer holding it (so its
    layout ranks those alone), not on the whole rig."""
    cues = list(cues)
    for layer in reversed(layers):
        if len(layer.fixtures) == len(rig.fixtures):
            continue
        names = tuple(rig.fixtures[index].name for index in layer.fixtures)
        for index in layer.cues:
            if not cues[index].members or cues[index].members == names:
                cues[index] = replace(cues[index], members=names)
    return tuple(cues)


def layer_named(source: Source, layers: tuple[Layer, ...], name: str | None, path) -> int:
    if name is None:
        return 0
    for index, layer in enumerate(layers):
        if layer.name == name:
            return index
    raise fail(source, path, f"no layer is named {name!r}; layers: {', '.join(layer.name for layer in layers)}")


def cue_of_layer(source: Source, layer: Layer, cue_tables, name: str, path) -> int:
    for cue in layer.cues:
        if cue_tables[cue].name == name:
            return cue
    raise fail(source, path, f"layer {layer.name!r} has no cue named {name!r}")


def read_midi(source: Source, table, layers: tuple[Layer, ...], cue_tables) -> MidiMap | None:
    if table is None:
        return None
    pads, faders = [], []
    for index, pad in enumerate(table.pads):
        path = ("midi", "pads", index)
        layer = layer_named(source, layers, pad.layer, path + ("layer",))
        cue = None if pad.cue is None else cue_of_layer(source, layers[layer], cue_tables, pad.cue, path + ("cue",))
        pads.append(Pad(pad.note, layer, cue))
    for index, fader in enumerate(table.faders):
        path = ("midi", "faders", index)
        needs_layer = fader.target in ("size", "rate")
        if needs_layer and fader.layer is None and len(layers) > 1:
            raise fail(source, path + ("target",), f"a {fader.target!r} fader needs the layer it sets")
        layer = layer_named(source, layers, fader.layer, path + ("layer",)) if needs_layer else None
        faders.append(Fader(fader.control, str(fader.target), layer))
    return MidiMap(table.port, table.feedback_port, table.channel, table.tap, table.lit_velocity,
                   tuple(pads), tuple(faders))


def read_timeline(source: Source, tables, layers: tuple[Layer, ...], cue_tables) -> tuple[TimelineEvent, ...]:
    events = []
    for index, table in enumerate(tables):
        path = ("timeline", index)
        if table.cue is not None and table.release:
            raise fail(source, path + ("release",), "an entry either goes a cue or releases its layer, not both")
        if table.cue is None and not table.release and table.bpm is None:
            raise fail(source, path + ("bar",), "an entry needs a cue, release = true or a bpm")
        if table.layer is not None and table.cue is None and not table.release:
            raise fail(source, path + ("layer",), "a layer needs a cue or release = true")
        layer = layer_named(source, layers, table.layer, path + ("layer",))
        cue = (None if table.cue is None
               else cue_of_layer(source, layers[layer], cue_tables, table.cue, path + ("cue",)))
        events.append(TimelineEvent(table.bar, layer if (cue is not None or table.release) else None, cue,
                                    table.release, table.bpm))
    return tuple(sorted(events, key=lambda event: event.bar))
