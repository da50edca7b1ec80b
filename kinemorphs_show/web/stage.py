"""What the stage view draws once: every fixture's name, stage position and orientation."""

from dataclasses import dataclass

from kinemorphs_show.aiming import Orientation
from kinemorphs_show.playback.read import IMPLICIT_LAYER


@dataclass(frozen=True)
class StageFixture:
    name: str
    position_m: tuple[float, float, float]  # across, depth, height
    orientation: Orientation

    def as_json(self) -> dict:
        return {"name": self.name, "position_m": list(self.position_m),
                "orientation": {"inverted": self.orientation.inverted,
                                "pan_zero_deg": self.orientation.pan_zero_deg}}


@dataclass(frozen=True)
class StageLayer:
    name: str
    cues: tuple[int, ...]  # 0-based show cue indices, in the layer's order

    def as_json(self, cue_names: tuple[str, ...]) -> dict:
        return {"name": self.name, "cues": [cue_names[index] for index in self.cues]}


@dataclass(frozen=True)
class Stage:
    title: str
    frame_rate: float
    cue_names: tuple[str, ...]
    fixtures: tuple[StageFixture, ...]
    layers: tuple[StageLayer, ...] = ()  # none for a show without [[layers]]: one cue grid

    def layer_cue_names(self) -> dict[str, tuple[str, ...]]:
        """Every layer's cue names by its name and, as the controls read a layer, its 1-based number."""
        names = {layer.name: tuple(self.cue_names[index] for index in layer.cues) for layer in self.layers}
        for number, layer in enumerate(self.layers, 1):
            names.setdefault(str(number), names[layer.name])  # a name wins over a number
        return names

    @classmethod
    def of_show(cls, show, cue_names) -> "Stage":
        fixtures = tuple(StageFixture(fixture.name, tuple(float(v) for v in fixture.position_m),
                                      fixture.orientation)
                         for fixture in show.rig.fixtures)
        layers = tuple(StageLayer(layer.name, tuple(layer.cues)) for layer in written_layers(show))
        return cls(str(getattr(show, "title", "")), float(show.frame_rate), tuple(cue_names), fixtures, layers)

    def as_json(self) -> dict:
        return {"title": self.title, "frame_rate": self.frame_rate, "cues": list(self.cue_names),
                "fixtures": [fixture.as_json() for fixture in self.fixtures],
                "layers": [layer.as_json(self.cue_names) for layer in self.layers]}


def written_layers(show) -> tuple:
    """The show's [[layers]]; none for the one implicit layer of a show without them."""
    layers = tuple(getattr(show, "layers", ()) or ())
    if len(layers) == 1 and layers[0].name == IMPLICIT_LAYER and len(layers[0].cues) == len(show.cues):
        return ()
    return layers
