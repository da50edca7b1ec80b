"""The rig: fixture profiles and patched fixtures, as plain values read from the show file."""

from dataclasses import dataclass

from kinemorphs_show.aiming import Orientation

DMX_CHANNELS_PER_UNIVERSE = 512


@dataclass(frozen=True)
class Profile:
    """Where a fixture type takes pan and tilt, how far they travel and how fast.

    Channels are 1-based relative to the fixture's address; a fine channel of
    0 means the axis is 8-bit."""

    name: str
    pan_channel: int
    pan_fine_channel: int
    tilt_channel: int
    tilt_fine_channel: int
    channel_count: int
    pan_travel_deg: float
    tilt_travel_deg: float
    max_speed_deg_s: float


# A typical 16-bit moving head: pan, pan fine, tilt, tilt fine on the first
# four channels, 540° pan and 270° tilt travel.
GENERIC_16BIT = Profile(
    name="generic_16bit",
    pan_channel=1, pan_fine_channel=2, tilt_channel=3, tilt_fine_channel=4,
    channel_count=4,
    pan_travel_deg=540.0, tilt_travel_deg=270.0,
    max_speed_deg_s=360.0,
)
BUILT_IN_PROFILES = {GENERIC_16BIT.name: GENERIC_16BIT}


@dataclass(frozen=True)
class BoxLimits:
    """Pan and tilt each kept within [low, high] degrees from the range centre."""

    pan: tuple[float, float]
    tilt: tuple[float, float]


@dataclass(frozen=True)
class ConeLimits:
    """Pan/tilt kept within radius_deg of the home position (measured in pan/tilt degrees)."""

    radius_deg: float


Limits = BoxLimits | ConeLimits | None


@dataclass(frozen=True)
class Fixture:
    """One patched fixture. Angles are degrees relative to the centre of its travel."""

    name: str
    profile: Profile
    universe: int
    address: int
    position_m: tuple[float, float, float] = (0.0, 0.0, 0.0)  # across, depth, height
    groups: tuple[str, ...] = ()
    home_deg: tuple[float, float] = (0.0, 0.0)
    invert_pan: bool = False
    invert_tilt: bool = False
    swap_pan_tilt: bool = False
    limits: Limits = None
    fixed_channels: tuple[tuple[int, int], ...] = ()  # (relative channel, value) always sent
    orientation: Orientation = Orientation()  # how it hangs, for aim cues

    @property
    def speed_limit_deg_s(self) -> float:
        return self.profile.max_speed_deg_s

    @property
    def last_channel(self) -> int:
        """The highest absolute DMX channel the fixture occupies."""
        used = [self.profile.channel_count, *(channel for channel, _ in self.fixed_channels)]
        return self.address + max(used) - 1


@dataclass(frozen=True)
class Rig:
    fixtures: tuple[Fixture, ...]

    def in_groups(self, names: tuple[str, ...]) -> tuple[int, ...]:
        """Indices of the fixtures named, or belonging to a group named, in rig order."""
        return tuple(index for index, fixture in enumerate(self.fixtures)
                     if fixture.name in names or set(fixture.groups) & set(names))

    @property
    def universes(self) -> tuple[int, ...]:
        return tuple(sorted({fixture.universe for fixture in self.fixtures}))
