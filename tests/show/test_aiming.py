import math

import numpy as np
import pytest
from hypothesis import assume, given, settings
from hypothesis import strategies as st

from kinemorphs_show.aim_arrays import solve_aims
from kinemorphs_show.aiming import (
    AimSolution, Orientation, angle_ranges, beam_direction, focus_point, solve_aim,
)

HUNG = Orientation(inverted=True)
STANDING = Orientation(inverted=False)
R2 = math.sqrt(0.5)


@pytest.mark.parametrize("orientation, pan, tilt, direction", [
    (HUNG, 0.0, 0.0, (0.0, 0.0, -1.0)),                      # tilt 0 is straight down when hung
    (STANDING, 123.0, 0.0, (0.0, 0.0, 1.0)),                 # and straight up when standing, whatever the pan
    (STANDING, 0.0, 90.0, (0.0, 1.0, 0.0)),                  # leaning towards pan zero: upstage
    (STANDING, 90.0, 90.0, (1.0, 0.0, 0.0)),                 # positive pan turns upstage towards +across
    (HUNG, 90.0, 90.0, (-1.0, 0.0, 0.0)),                    # ... and the other way when hung
    (Orientation(True, 90.0), 0.0, 45.0, (R2, 0.0, -R2)),    # pan zero turned to face +across
    (HUNG, 0.0, -45.0, (0.0, -R2, -R2)),                     # negative tilt leans away from the heading
])
def test_beam_direction_follows_the_stated_convention(orientation, pan, tilt, direction):
    assert beam_direction(orientation, pan, tilt) == pytest.approx(direction, abs=1e-12)


ABOVE = (0.0, 0.0, 5.0)


@pytest.mark.parametrize("position, orientation, focus, previous, expected", [
    # Straight above the point: tilt 0, and the pan stays where it was.
    (ABOVE, HUNG, (0.0, 0.0, 0.0), (37.0, 10.0), (37.0, 0.0)),
    (ABOVE, STANDING, (0.0, 0.0, 9.0), (-300.0, 0.0), (-270.0, 0.0)),   # free pan kept within travel
    # 45° down and upstage, from rest and from a pan near the other family.
    (ABOVE, HUNG, (0.0, 5.0, 0.0), (0.0, 0.0), (0.0, 45.0)),
    (ABOVE, HUNG, (0.0, 5.0, 0.0), (170.0, 0.0), (180.0, -45.0)),
    # 45° towards +across: a hung head pans the other way round.
    (ABOVE, HUNG, (5.0, 0.0, 0.0), (0.0, 0.0), (-90.0, 45.0)),
    (ABOVE, STANDING, (5.0, 0.0, 10.0), (0.0, 0.0), (90.0, 45.0)),
    # Pan zero rotated to face +across.
    (ABOVE, Orientation(True, 90.0), (5.0, 0.0, 0.0), (0.0, 0.0), (0.0, 45.0)),
    (ABOVE, Orientation(True, 90.0), (0.0, 5.0, 0.0), (0.0, 0.0), (90.0, 45.0)),
    (ABOVE, Orientation(False, 90.0), (0.0, 5.0, 10.0), (0.0, 0.0), (-90.0, 45.0)),
    # Across the pan wrap: the same heading is reached at -100 or +260; the previous frame decides.
    (ABOVE, Orientation(True, -100.0), (0.0, 5.0, 0.0), (250.0, 40.0), (260.0, 45.0)),
    (ABOVE, Orientation(True, -100.0), (0.0, 5.0, 0.0), (-120.0, 40.0), (-100.0, 45.0)),
    (ABOVE, Orientation(True, -100.0), (0.0, 5.0, 0.0), (90.0, -40.0), (80.0, -45.0)),
])
def test_hand_computed_aims(position, orientation, focus, previous, expected):
    solution = solve_aim(position, orientation, focus, previous)
    assert (solution.pan_deg, solution.tilt_deg) == pytest.approx(expected, abs=1e-9)
    assert solution.reachable


def elevated(degrees_above_horizontal: float) -> tuple[float, float, float]:
    """A point 10 m from the hung head at ABOVE, that far above its horizontal, upstage."""
    angle = math.radians(degrees_above_horizontal)
    return (0.0, 10 * math.cos(angle), ABOVE[2] + 10 * math.sin(angle))


@pytest.mark.parametrize("focus, pan_range, tilt_range, reachable, expected", [
    (elevated(44.9), (-270, 270), (-135, 135), True, (0.0, 134.9)),
    (elevated(45.0), (-270, 270), (-135, 135), True, (0.0, 135.0)),      # exactly at the tilt end
    (elevated(45.1), (-270, 270), (-135, 135), False, (0.0, 135.0)),     # beyond it: clamped, reported
    (elevated(-30.0), (-270, 270), (-50, 50), False, (0.0, 50.0)),       # a box limit narrower than travel
    (elevated(-45.0), (-270, 270), (-50, 50), True, (0.0, 45.0)),
    (elevated(-45.0), (120, 200), (-50, 50), True, (180.0, -45.0)),      # only the other family is allowed
    (elevated(-45.0), (20, 60), (-135, 135), False, (20.0, 45.0)),       # pan cannot get there at all
    (ABOVE, (-270, 270), (-135, 135), False, (0.0, 0.0)),                # the head's own position
])
def test_reachability_at_the_limits(focus, pan_range, tilt_range, reachable, expected):
    solution = solve_aim(ABOVE, HUNG, focus, (0.0, 0.0), pan_range, tilt_range)
    assert solution.reachable is reachable
    assert (solution.pan_deg, solution.tilt_deg) == pytest.approx(expected, abs=1e-9)


def test_focus_point_and_angle_ranges():
    assert focus_point((1.0, 2.0, 0.0), (4.0, 2.0, 0.0), (0.5, -1.0, 0.3)) == (3.0, 0.0, 0.0)
    assert angle_ranges(540.0, 270.0) == ((-270.0, 270.0), (-135.0, 135.0))
    assert angle_ranges(540.0, 270.0, (-300.0, 90.0), (0.0, 200.0)) == ((-270.0, 90.0), (0.0, 135.0))


def miss_distance_m(position, orientation, solution: AimSolution, focus) -> float:
    """How far the focus lies from the beam (a ray from the head)."""
    direction = np.array(beam_direction(orientation, solution.pan_deg, solution.tilt_deg))
    offset = np.subtract(focus, position)
    along = float(offset @ direction)
    return float(np.linalg.norm(offset - max(along, 0.0) * direction))


coordinate = st.floats(-12.0, 12.0)
heads = st.tuples(st.tuples(coordinate, coordinate, st.floats(0.0, 10.0)), st.booleans(), st.floats(-180.0, 180.0))
previous_angles = st.tuples(st.floats(-270.0, 270.0), st.floats(-135.0, 135.0))


@settings(max_examples=300, deadline=None)
@given(heads, st.tuples(coordinate, coordinate, st.floats(0.0, 4.0)), previous_angles)
def test_every_reachable_aim_puts_the_beam_through_the_point(head, focus, previous):
    position, inverted, pan_zero = head
    orientation = Orientation(inverted, pan_zero)
    assume(math.dist(position, focus) > 0.01)
    solution = solve_aim(position, orientation, focus, previous)
    dz = (focus[2] - position[2]) * (-1 if inverted else 1)
    off_axis = math.degrees(math.atan2(math.hypot(focus[0] - position[0], focus[1] - position[1]), dz))
    # With 540° pan every heading is reachable; only tilt beyond its 135° end is not.
    assert solution.reachable == (off_axis <= 135.0 + 1e-9)
    if solution.reachable:
        assert miss_distance_m(position, orientation, solution, focus) < 1e-3


@settings(max_examples=100, deadline=None)
@given(st.lists(st.tuples(heads, st.tuples(coordinate, coordinate, st.floats(0.0, 4.0)), previous_angles,
                          st.sampled_from([((-270.0, 270.0), (-135.0, 135.0)), ((-90.0, 200.0), (-60.0, 100.0)),
                                           ((-180.0, 180.0), (0.0, 135.0))])),
                min_size=1, max_size=12))
def test_the_array_solver_agrees_with_the_scalar_one(rig):
    scalar = [solve_aim(position, Orientation(inverted, pan_zero), focus, previous, *ranges)
              for (position, inverted, pan_zero), focus, previous, ranges in rig]
    pan, tilt, reachable = solve_aims(
        [head[0] for head, *_ in rig], [head[1] for head, *_ in rig], [head[2] for head, *_ in rig],
        [focus for _, focus, _, _ in rig], [previous for _, _, previous, _ in rig],
        [ranges[0] for *_, ranges in rig], [ranges[1] for *_, ranges in rig])
    assert pan == pytest.approx([s.pan_deg for s in scalar], abs=1e-6)
    assert tilt == pytest.approx([s.tilt_deg for s in scalar], abs=1e-6)
    assert list(reachable) == [s.reachable for s in scalar]
