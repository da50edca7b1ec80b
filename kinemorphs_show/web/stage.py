"""What the stage view draws once: every fixture's name, stage position and orientation."""

from dataclasses import dataclass

from kinemorphs_show.aiming import Orientation


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
class Stage:
    title: str
    frame_rate: float
    cue_names: tuple[str, ...]
    fixtures: tuple[StageFixture, ...]

    @classmethod
    def of_show(cls, show, cue_names) -> "Stage":
        fixtures = tuple(StageFixture(fixture.name, tuple(float(v) for v in fixture.position_m),
                                      fixture.orientation)
                         for fixture in show.rig.fixtures)
        return cls(str(getattr(show, "title", "")), float(show.frame_rate), tuple(cue_names), fixtures)

    def as_json(self) -> dict:
        return {"title": self.title, "frame_rate": self.frame_rate, "cues": list(self.cue_names),
                "fixtures": [fixture.as_json() for fixture in self.fixtures]}
