"""The rig the benchmarks generate: generic 16-bit heads, 32 to a universe, on a line across the stage."""

FIXTURES_PER_UNIVERSE = 32
ADDRESS_STRIDE = 16                # a typical moving head's footprint; pan/tilt coarse+fine first


def generic_heads(fixtures: int) -> str:
    """The [[fixtures]] tables of that many heads, for a show file."""
    return "".join(
        f"""
[[fixtures]]
name = "head {number + 1}"
universe = {1 + number // FIXTURES_PER_UNIVERSE}
address = {1 + (number % FIXTURES_PER_UNIVERSE) * ADDRESS_STRIDE}
position = [{number * 0.5 - fixtures / 4}, 0, 6]
""" for number in range(fixtures))
