"""The show engine over layers: each layer plays its own cues (go, back, release, crossfades on
the grid) on its own fixtures; the layers are composed on arrays, lowest first.

Precedence: a higher priority wins; at equal priority the layer started later wins. Each cue rides
on a base: home, a named position, or "below" (whatever the layers under its layer hold). Where a
layer drives a fixture it covers what is under it, and a released layer fades back to exactly what
is underneath. Composition is per-fixture masks and weights; the frame path loops over layers, never
over fixtures. With the one implicit layer of a show without [[layers]], masters at 1 and rate 1,
every frame is the plain Engine's frame bit for bit.
"""

import itertools
from functools import lru_cache
from dataclasses import dataclass, replace
from fractions import Fraction

import numpy as np
from kinemorphs import PIPS_PER_BEAT

from kinemorphs_show.cue_arrays import LevelKeys, LookArrays
from kinemorphs_show.engine import ArrayLooks, Engine, level_union
from kinemorphs_show.feasibility import pattern_pips_per_second
from kinemorphs_show.light_arrays import LightLook, resting_light
from kinemorphs_show.playback.masters import Glide, RatePhase
from kinemorphs_show.playback.read import BELOW
from kinemorphs_show.playback.model import Layer
from kinemorphs_show.timing import next_boundary, seconds_per_pip
from kinemorphs_show.transition import (
    Crossfade, Cued, Playing, State, Still, crossfade_to, cues_in, current_cue, is_fading, settled, state_aims,
    state_label,
)

FULL_TURN_DEG = 360.0
SMOOTHSTEP_PEAK_SLOPE = 1.5   # the crossfade weight's steepest rise, per crossfade length


@dataclass
class LayerPlay:
    """One layer as it runs."""

    layer: Layer
    mask: np.ndarray                   # the fixtures it drives
    state: State
    envelope: Glide                    # 1 running, 0 released, between while fading in or out
    started: int                       # later started wins at equal priority
    size: Glide
    rate: RatePhase
    bases: dict                        # cue index → (pan, tilt) its position resolved to

    def running_cue(self) -> int | None:
        """The cue the layer is heading for, or None once a release was asked."""
        return None if self.envelope.end_value == 0.0 else current_cue(self.state)


class LayeredEngine(Engine):
    def __init__(self, show, first_cue: int = 0) -> None:
        super().__init__(show, first_cue)
        layers = show.layers or (Layer("main", tuple(range(len(show.cues))), tuple(range(len(show.rig.fixtures)))),)
        self._layers = layers
        self._positions = {p.name: (np.array([a[0] for a in p.angles], dtype=float),
                                    np.array([a[1] for a in p.angles], dtype=float)) for p in show.positions}
        self._starts = itertools.count()
        self._plays: list[LayerPlay] = []
        for index, layer in enumerate(layers):
            mask = np.zeros(len(show.rig.fixtures), dtype=bool)
            mask[list(layer.fixtures)] = True
            first = first_cue if (index == 0 and first_cue in layer.cues) else layer.cues[0]
            self._plays.append(LayerPlay(layer, mask, Playing(first), Glide.still(1.0 if layer.running else 0.0),
                                         next(self._starts), Glide.still(layer.size), RatePhase(layer.rate), {}))
        self._rig_size = Glide.still(show.size_master)
        self.selected = 0
        # What is under every layer: home, dark and white (a released layer fades back to it).
        self._resting_light = resting_light([fixture.profile for fixture in show.rig.fixtures])
        rig = self._rig
        self._rest = LookArrays(rig.home_pan, rig.home_tilt, np.zeros((len(rig), 3)), np.ones(len(rig)), (),
                                np.zeros(0), self._resting_light)

    # ---- what the controls see ------------------------------------------------------------------

    @property
    def layer_names(self) -> tuple[str, ...]:
        return tuple(layer.name for layer in self._layers)

    @property
    def current_cue(self) -> int:
        return current_cue(self._plays[self.selected].state)

    @property
    def cue_label(self) -> str:
        if len(self._plays) == 1 and self._plays[0].envelope.end_value == 1.0:
            return state_label(self._plays[0].state, self.cue_names)
        parts = [f"{play.layer.name}: {state_label(play.state, self.cue_names)}"
                 for play in self._plays if play.running_cue() is not None]
        return " | ".join(parts) or "released"

    @property
    def rig_size(self) -> float:
        return self._rig_size.end_value

    def running_cues(self) -> tuple[int | None, ...]:
        return tuple(play.running_cue() for play in self._plays)

    # ---- goes, releases and masters -------------------------------------------------------------

    def go(self, index: int, pip: int) -> None:
        if not 0 <= index < len(self._cues):
            raise IndexError(f"no cue {index}; the show has {len(self._cues)}")
        layers = [i for i, play in enumerate(self._plays) if index in play.layer.cues]
        if not layers:
            raise IndexError(f"cue {self.cue_names[index]!r} is in no layer")
        self.layer_go(self.selected if self.selected in layers else layers[0], index, pip)

    def layer_go(self, layer: int, cue: int, pip: int) -> None:
        play = self._plays[layer]
        if cue not in play.layer.cues:
            raise IndexError(f"layer {play.layer.name!r} has no cue {cue}")
        self.selected = layer
        written = self.show.cues[cue]
        boundary = next_boundary(pip, self.show.grid.unit_pips(written.start))
        fade = round(written.fade_beats * PIPS_PER_BEAT)
        if written.position not in (None, BELOW):
            play.bases[cue] = self._resolved_position(written.position)
        if play.envelope.at(boundary) == 0.0:
            # Nothing of the layer is on stage then: it starts on the cue, fading in over the cue's fade.
            play.state = Cued(Playing(cue), cue, boundary, 0)
            play.started = next(self._starts)
        else:
            play.state = crossfade_to(play.state, cue, written, pip, self.show.grid, self._looks(layer, pip))
        if play.envelope.end_value != 1.0:
            play.envelope = play.envelope.towards(1.0, boundary, fade)

    def go_next(self, pip: int) -> None:
        self._step(1, pip)

    def go_previous(self, pip: int) -> None:
        self._step(-1, pip)

    def _step(self, steps: int, pip: int) -> None:
        play = self._plays[self.selected]
        cues = play.layer.cues
        here = cues.index(current_cue(play.state)) if current_cue(play.state) in cues else -steps
        self.layer_go(self.selected, cues[(here + steps) % len(cues)], pip)

    def release(self, layer: int, pip: int) -> None:
        play = self._plays[layer]
        boundary = next_boundary(pip, self.show.grid.unit_pips(play.layer.release_start))
        play.envelope = play.envelope.towards(0.0, boundary, round(play.layer.release_beats * PIPS_PER_BEAT))

    def set_size(self, layer: int | None, value: float, position: Fraction | int, glide_pips: int) -> None:
        """A layer's size master (None: the rig's), gliding there from where it stands."""
        if layer is None:
            self._rig_size = self._rig_size.towards(value, position, glide_pips)
        else:
            play = self._plays[layer]
            play.size = play.size.towards(value, position, glide_pips)

    def set_rate(self, layer: int, rate: Fraction, position: Fraction | int) -> None:
        play = self._plays[layer]
        play.rate = play.rate.changed(rate, position)

    def layer_cues(self, layer: int) -> tuple[int, ...]:
        return self._plays[layer].layer.cues

    def layer_phase(self, layer: int, position: Fraction | int) -> Fraction:
        return self._plays[layer].rate.at(position)

    def layer_rate(self, layer: int) -> Fraction:
        return self._plays[layer].rate.rate

    def layer_size(self, layer: int) -> float:
        return self._plays[layer].size.end_value

    def restore(self, cues: tuple[int | None, ...], sizes: tuple[float, ...] | None = None,
                rates: tuple[Fraction, ...] | None = None, rig_size: float | None = None,
                position: Fraction | int = 0, phases: tuple[Fraction, ...] | None = None) -> None:
        """Every layer cut to a running cue (or released), masters set, as at `position`; the
        fixtures still slew from where they were sent."""
        for index, play in enumerate(self._plays):
            cue = cues[index]
            if cue is None:
                play.envelope = Glide.still(0.0)
            else:
                if play.envelope.end_value == 0.0 or play.envelope.at(position) == 0.0:
                    play.started = next(self._starts)
                play.state, play.envelope = Playing(cue), Glide.still(1.0)
                if self.show.cues[cue].position not in (None, BELOW):
                    play.bases[cue] = self._resolved_position(self.show.cues[cue].position)
            # Glides are anchored at positions: after a jump they hold their values.
            play.size = Glide.still(play.size.end_value if sizes is None else sizes[index])
            if rates is not None:
                phase = Fraction(position) if phases is None else phases[index]
                play.rate = RatePhase(rates[index], Fraction(position), phase)
        self._rig_size = Glide.still(self._rig_size.end_value if rig_size is None else rig_size)
        if self._sent_position is not None:
            self._sent_position = Fraction(position)

    # ---- positions ------------------------------------------------------------------------------

    def _resolved_position(self, name: str) -> tuple[np.ndarray, np.ndarray]:
        """The position's angles, each pan turned by a whole turn where that is nearer to where the
        fixture was last sent and still inside its limits and travel: the shortest safe way there."""
        pan, tilt = self._positions[name]
        if self._sent is None:
            return pan, tilt
        sent_pan = self._sent[0]
        best = pan
        for turn in (-FULL_TURN_DEG, FULL_TURN_DEG):
            candidate = pan + turn
            _, _, limited = self._rig.limit(candidate, tilt)
            nearer = ~limited & (np.abs(candidate - sent_pan) < np.abs(best - sent_pan))
            best = np.where(nearer, candidate, best)
        return best, tilt

    def position_base(self, play: LayerPlay, cue: int) -> tuple[np.ndarray, np.ndarray]:
        name = self.show.cues[cue].position
        return play.bases.get(cue) or self._positions[name]

    # ---- frames ---------------------------------------------------------------------------------

    def _order(self) -> list[int]:
        return sorted(range(len(self._plays)), key=lambda i: (self._plays[i].layer.priority, self._plays[i].started))

    def _looks(self, layer: int, position: Fraction | int) -> "LayerLooks":
        """The looks of one layer with what the layers under it hold at position."""
        below = self._compose(Fraction(position), until=layer)
        play = self._plays[layer]
        return LayerLooks(self, play, self._bpm, below, self._rig_size.at(position) * play.size.at(position))

    def _compose(self, position: Fraction, until: int | None = None, settle: bool = False) -> LookArrays:
        result = self._rest
        rig_size = self._rig_size.at(position)
        for index in self._order():
            if index == until:
                break
            play = self._plays[index]
            weight = play.envelope.at(position)
            if weight == 0.0:
                continue
            looks = LayerLooks(self, play, self._bpm, result, rig_size * play.size.at(position))
            state = settled(play.state, position, looks)
            if settle:
                play.state = state
            result = composed(result, state_aims(state, position, looks), play.mask, weight)
        return result

    def target_aims(self, position, bpm: float | None = None) -> LookArrays:
        if bpm is not None:
            self._bpm = bpm
        return self._compose(Fraction(position))

    def _settled_target(self, position: Fraction) -> LookArrays:
        return self._compose(position, settle=True)

    def _step_caps(self, previous: Fraction, position: Fraction) -> tuple[np.ndarray, np.ndarray]:
        stride = position - previous
        cap = self._rig.speed_limit * (float(stride) * seconds_per_pip(self._bpm))
        pan_cap, tilt_cap = cap, cap
        rig_size = self._rig_size.at(position)
        for play in self._plays:
            if not is_fading(play.state, previous, position):
                continue
            looks = LayerLooks(self, play, self._bpm, None, rig_size * play.size.at(position))
            pan_caps, tilt_caps = [], []
            for cue in cues_in(play.state):
                arrays = self._cues[cue]
                pan, tilt = arrays.step_caps(self.show.patterns, stride * play.rate.rate, self._rig.swap)
                scale = looks.size_scales(cue)
                pan_caps.append(np.where(arrays.placed, pan * scale, 0.0))
                tilt_caps.append(np.where(arrays.placed, tilt * scale, 0.0))
            pan_base, tilt_base = self._base_steps(play, stride)
            if pan_caps:
                pan_cap = np.where(play.mask, np.minimum(cap, np.max(pan_caps, axis=0) + pan_base), pan_cap)
                tilt_cap = np.where(play.mask, np.minimum(cap, np.max(tilt_caps, axis=0) + tilt_base), tilt_cap)
        return pan_cap, tilt_cap

    def _base_steps(self, play: LayerPlay, stride: Fraction) -> tuple[np.ndarray, np.ndarray]:
        """How far a crossfade between two bases (positions, home, a held look) moves them in a
        stride at its steepest: the bases travel with the fade, the cue caps only cover motion."""
        state = play.state
        fade = state if isinstance(state, (Crossfade, Cued)) else None
        zero = np.zeros(len(self._rig))
        if fade is None:
            return zero, zero
        source = fade.stage if isinstance(fade, Cued) else fade.source
        while isinstance(source, (Crossfade, Cued)):
            source = source.stage if isinstance(source, Cued) else source.source
        if all(self.show.cues[look].position is None for look in (source.cue, fade.target)):
            return zero, zero  # between cues on home, the cues' own steps bound the fade, as ever
        bases = [self._base_of(play, source), self._base_of(play, Playing(fade.target))]
        if fade.length_pips == 0 or any(base is None for base in bases):
            return zero, zero
        share = SMOOTHSTEP_PEAK_SLOPE * float(stride) / fade.length_pips
        (pan_a, tilt_a), (pan_b, tilt_b) = bases
        return np.abs(pan_b - pan_a) * share, np.abs(tilt_b - tilt_a) * share

    def _base_of(self, play: LayerPlay, look) -> tuple[np.ndarray, np.ndarray] | None:
        if isinstance(look, Still):
            return look.aims.pan, look.aims.tilt
        name = self.show.cues[look.cue].position
        if name is None:
            return self._rig.home_pan, self._rig.home_tilt
        return None if name == BELOW else self.position_base(play, look.cue)


class LayerLooks(ArrayLooks):
    """One layer's cue looks: at the layer's pattern position, its size masters applied, riding on
    the cue's position or on what is below."""

    def __init__(self, engine: LayeredEngine, play: LayerPlay, bpm: float, below: LookArrays | None,
                 master: float) -> None:
        super().__init__(engine, bpm)
        self._play, self._below, self._master = play, below, master

    def size_scales(self, cue: int) -> np.ndarray:
        engine, bpm = self._engine, self._bpm * float(self._play.rate.rate)
        if self._master == 1.0:
            return engine.size_scales(cue, bpm)
        arrays = engine._cues[cue]
        peak = arrays.peak_step * pattern_pips_per_second(arrays.cue, bpm) * self._master
        with np.errstate(divide="ignore", invalid="ignore"):
            share = np.where(peak <= engine._rig.speed_limit, 1.0, engine._rig.speed_limit / peak)
        return share * self._master

    def cue(self, cue: int, position) -> LookArrays:
        engine = self._engine
        position_name = engine.show.cues[cue].position
        if position_name is None or (position_name == BELOW and self._below is None):
            base = None
        elif position_name == BELOW:
            base = self._below.pan, self._below.tilt
        else:
            base = engine.position_base(self._play, cue)
        # An aim cue turns its heads from the angles last sent, as in the plain engine; base only
        # places the fixtures the cue leaves out.
        return engine._cues[cue].look(engine._rig, self._play.rate.at(position), self.size_scales(cue), base,
                                      previous=engine._sent)


@lru_cache(maxsize=64)
def key_fixtures(keys: LevelKeys) -> np.ndarray:
    return np.array([key[0] for key in keys], dtype=np.intp)


@lru_cache(maxsize=64)
def kept_keys(keys: LevelKeys, kept: bytes) -> LevelKeys:
    """The keys whose flag is set (kept: a bool array's bytes), worked out once per pair."""
    return tuple(key for key, keep in zip(keys, kept) if keep)


def composed(below: LookArrays, look: LookArrays, mask: np.ndarray, weight: float) -> LookArrays:
    """look over below on the masked fixtures, at weight (1: look itself, bit for bit)."""
    if weight == 1.0 and not below.level_keys and mask.all():
        # The whole rig, at full weight, over nothing that drives a level (one layer, or the lowest):
        # the look as it is.
        return look if look.light is not None or below.light is None else replace(look, light=below.light)

    def over(under, top, where):
        return np.where(where, top if weight == 1.0 else under + (top - under) * weight, under)

    keys, from_below, from_look = level_union(below.level_keys, look.level_keys)
    under = np.append(below.levels, 0.0)[from_below]
    top = np.append(look.levels, 0.0)[from_look]
    driven = (from_look >= 0) & mask[key_fixtures(keys)] if len(keys) else np.zeros(0, dtype=bool)
    levels = over(np.where(from_below >= 0, under, top), top, driven)
    kept = driven | (from_below >= 0)
    if not kept.all():
        keys, levels = kept_keys(keys, kept.tobytes()), levels[kept]
    return LookArrays(over(below.pan, look.pan, mask), over(below.tilt, look.tilt, mask),
                      over(below.displacement, look.displacement, mask[:, None]),
                      over(below.size_scale, look.size_scale, mask), keys, levels,
                      composed_light(below.light, look.light, mask, weight, over))


def composed_light(below: LightLook | None, look: LightLook | None, mask: np.ndarray, weight: float,
                   over) -> LightLook | None:
    """Intensity and RGB blend like the angles; a wheel cannot show in-between colours, so it
    changes slot half way, as in a crossfade (light_arrays.blend_light)."""
    if below is None or look is None:
        return below if look is None else look
    wheel = look.wheel if weight >= 0.5 else below.wheel
    return LightLook(over(below.intensity, look.intensity, mask), over(below.rgb, look.rgb, mask[:, None]),
                     np.where(mask, wheel, below.wheel))
