import copy
import json
import os
import zipfile
from pathlib import Path

import pytest
from hypothesis import HealthCheck, given, settings
from hypothesis import strategies as st

from kinemorphs_show.fixture_files import FIXTURE_FILE_READERS, FixtureFileError, read_gdtf, read_ofl
from kinemorphs_show.fixture_files.gdtf import MAX_ARCHIVE_MEMBERS, MAX_DESCRIPTION_BYTES
from kinemorphs_show.fixture_files.ofl import MAX_OFL_FILE_BYTES
from kinemorphs_show.fixture_type import ColourMixing, ColourWheel, Control

DATA = Path(__file__).parent / "data" / "fixtures"
SPOT_GDTF = DATA / "testhead_spot.gdtf"
SPOT_XML = DATA / "testhead_spot.description.xml"
WASH_OFL = DATA / "testwash_hybrid.json"


def write_gdtf(path: Path, description: bytes, extra_members: int = 0) -> Path:
    with zipfile.ZipFile(path, "w", zipfile.ZIP_DEFLATED) as archive:
        archive.writestr("description.xml", description)
        for index in range(extra_members):
            archive.writestr(f"models/{index}.3ds", b"")
    return path


def test_the_committed_gdtf_holds_the_committed_description():
    with zipfile.ZipFile(SPOT_GDTF) as archive:
        assert archive.read("description.xml") == SPOT_XML.read_bytes()


# (reader, file, mode) -> channel count, pan (control, travel), tilt (control, travel), dimmer
# (control, off, full), shutter (control, open, closed), colour, speed.
EXPECTED = [
    (read_gdtf, SPOT_GDTF, "Standard", 8, (Control(1, 2), 540.0), (Control(3, 4), 270.0),
     (Control(5, 6), 0, 65535), (Control(7), 47, 15),
     ColourWheel(Control(8), ()), 200.0),
    (read_gdtf, SPOT_GDTF, "Basic", 3, (Control(1), 540.0), (Control(2), 270.0),
     (Control(3), 0, 255), None, None, 200.0),
    (read_ofl, WASH_OFL, "12ch", 12, (Control(1, 2), 540.0), (Control(3, 4), 255.0),
     (Control(6), 0, 255), (Control(7), 11, 3),
     ColourMixing(Control(8), Control(9), Control(10), Control(11)), 360.0),
    (read_ofl, WASH_OFL, "Wheel", 4, (Control(1), 540.0), (Control(2), 255.0),
     (Control(3), 0, 255), None, ColourWheel(Control(4), ()), 360.0),
]


@pytest.mark.parametrize("reader, path, mode, count, pan, tilt, dimmer, shutter, colour, speed", EXPECTED)
def test_files_give_channels_travel_and_open_values(reader, path, mode, count, pan, tilt, dimmer, shutter, colour,
                                                    speed):
    fixture_type = reader(path, mode)
    assert fixture_type.channel_count == count
    assert (fixture_type.pan.control, fixture_type.pan.travel_deg) == pytest.approx(pan)
    assert (fixture_type.tilt.control, fixture_type.tilt.travel_deg) == pytest.approx(tilt)
    got_dimmer = fixture_type.dimmer
    assert (got_dimmer.control, got_dimmer.off_value, got_dimmer.full_value) == dimmer
    got_shutter = fixture_type.shutter
    assert (got_shutter and (got_shutter.control, got_shutter.open_value, got_shutter.closed_value)) == shutter
    if isinstance(colour, ColourWheel):
        assert fixture_type.colour.control == colour.control
    else:
        assert fixture_type.colour == colour
    assert fixture_type.max_speed_deg_s == pytest.approx(speed)
    assert max(fixture_type.used_channels) <= count


@pytest.mark.parametrize("reader, path, mode, slots", [
    (read_gdtf, SPOT_GDTF, "Standard", [("Open", 7, (255, 255, 255)), ("Deep Red", 23, (255, 0, 0)),
                                        ("Blue", 39, (0, 0, 255)), ("Green", 55, (0, 255, 0))]),
    (read_ofl, WASH_OFL, "Wheel", [("Open", 4, (255, 255, 255)), ("Red", 14, (255, 0, 0)),
                                   ("Lavender", 24, (181, 126, 220)), ("#00ff00", 34, (0, 255, 0))]),
])
def test_wheel_slots_carry_names_values_and_colours(reader, path, mode, slots):
    wheel = reader(path, mode).colour
    assert [(slot.name, slot.value, slot.rgb) for slot in wheel.slots] == slots


def test_the_readers_are_registered_by_show_file_field():
    assert FIXTURE_FILE_READERS == {"gdtf": read_gdtf, "ofl": read_ofl}


def edited_ofl(tmp_path, edit):
    document = json.loads(WASH_OFL.read_text())
    edit(document)
    path = tmp_path / "edited.json"
    path.write_text(json.dumps(document))
    return path


def edited_gdtf(tmp_path, old, new):
    text = SPOT_XML.read_text()
    assert old in text
    return write_gdtf(tmp_path / "edited.gdtf", text.replace(old, new).encode())


def no_pan(document):
    del document["availableChannels"]["Pan"]["capability"]["angleEnd"]


def pan_in_percent(document):
    document["availableChannels"]["Pan"]["capability"].update(angleStart="0%", angleEnd="100%")


def matrix_block(document):
    document["modes"][1]["channels"].append({"insert": "matrixChannels", "repeatFor": "eachPixelABC",
                                             "channelOrder": "perPixel", "templateChannels": ["Red $pixelKey"]})


BAD_FILES = [
    (lambda tmp: (read_gdtf, SPOT_GDTF, "Nope"), "has no mode 'Nope' (modes: 'Standard', 'Basic')"),
    (lambda tmp: (read_ofl, WASH_OFL, None), "has 2 modes, say which with mode = one of '12-channel', 'Wheel'"),
    (lambda tmp: (read_ofl, edited_ofl(tmp, no_pan), "Wheel"), "mode 'Wheel' has no Pan channel"),
    (lambda tmp: (read_ofl, edited_ofl(tmp, pan_in_percent), "Wheel"), "only degrees"),
    (lambda tmp: (read_ofl, edited_ofl(tmp, matrix_block), "Wheel"), "matrix channel block"),
    (lambda tmp: (read_ofl, edited_ofl(tmp, lambda d: d.pop("modes")), None), "has no modes"),
    (lambda tmp: (read_gdtf, edited_gdtf(tmp, 'LogicalChannel Attribute="Tilt"', 'LogicalChannel Attribute="Zoom"'),
                  "Basic"), "mode 'Basic' has no Tilt channel"),
    (lambda tmp: (read_gdtf, edited_gdtf(tmp, 'Name="Open" Attribute="Shutter1"', 'Name="Wide" Attribute="Shutter1"'),
                  "Standard"), "the Shutter1 channel has no function or channel set named Open"),
    (lambda tmp: (read_gdtf, edited_gdtf(tmp, '<DMXModes>', '<DMXModes><'), None), "is not well-formed XML"),
    (lambda tmp: (read_gdtf, edited_gdtf(tmp, 'Offset="7"', 'Offset="0"'), "Standard"),
     "mode 'Standard': channel 0 lies outside the mode's 8 channels"),
    (lambda tmp: (read_ofl, edited_ofl(tmp, lambda d: d["modes"][1]["channels"].extend([None] * 509)), "Wheel"),
     "mode 'Wheel': a mode of 513 channels does not fit a DMX universe"),
    (lambda tmp: (read_gdtf, edited_gdtf(tmp, 'Offset="3"', 'Offset="x"'), "Basic"), "description.xml cannot be read"),
    (lambda tmp: (read_gdtf, write_gdtf(tmp / "lol.gdtf", b'<!DOCTYPE l [<!ENTITY a "aaaa">]><GDTF>&a;</GDTF>'), None),
     "declares a DTD"),
    (lambda tmp: (read_gdtf, WASH_OFL, None), "is not a readable GDTF archive"),
    (lambda tmp: (read_ofl, SPOT_GDTF, None), "is not valid JSON"),
    (lambda tmp: (read_gdtf, write_gdtf(tmp / "many.gdtf", SPOT_XML.read_bytes(), MAX_ARCHIVE_MEMBERS), "Basic"),
     f"holds more than {MAX_ARCHIVE_MEMBERS} files"),
    (lambda tmp: (read_gdtf, write_gdtf(tmp / "big.gdtf", b" " * (MAX_DESCRIPTION_BYTES + 1)), None),
     "description.xml is larger than"),
    (lambda tmp: (read_ofl, tmp, None), "is not a regular file"),
    (lambda tmp: (read_ofl, tmp / "missing.json", None), "cannot be opened"),
]


@pytest.mark.parametrize("make, message", BAD_FILES)
def test_a_bad_file_names_itself_and_what_is_wrong_in_one_line(tmp_path, make, message):
    reader, path, mode = make(tmp_path)
    with pytest.raises(FixtureFileError) as caught:
        reader(path, mode)
    text = str(caught.value)
    assert isinstance(caught.value, ValueError) and "\n" not in text
    assert text.startswith(f"{path}: ") and message in text


def test_no_archive_member_lacks_description(tmp_path):
    path = tmp_path / "empty.gdtf"
    with zipfile.ZipFile(path, "w") as archive:
        archive.writestr("thumbnail.png", b"")
    with pytest.raises(FixtureFileError, match="has no description.xml"):
        read_gdtf(path)


def test_fifos_and_oversized_files_are_refused_without_reading_them(tmp_path):
    fifo = tmp_path / "fixture.json"
    os.mkfifo(fifo)
    with pytest.raises(FixtureFileError, match="is not a regular file"):
        read_ofl(fifo)  # would block forever if opened for reading normally
    big = tmp_path / "big.json"
    with open(big, "wb") as file:
        file.truncate(MAX_OFL_FILE_BYTES + 1)
    with pytest.raises(FixtureFileError, match="is larger than"):
        read_ofl(big)


ODD_VALUES = [None, 0, -1, 70000, 1.5, "", "x", "540deg", [], {}, [0, 255], {"type": "Pan"}, True, "#zzzzzz"]


def json_paths(node, prefix=()):
    if isinstance(node, dict):
        items = node.items()
    elif isinstance(node, list):
        items = enumerate(node)
    else:
        return
    for key, child in items:
        yield prefix + (key,)
        yield from json_paths(child, prefix + (key,))


WASH_PATHS = list(json_paths(json.loads(WASH_OFL.read_text())))


def in_list(node, key) -> bool:
    return isinstance(node, list) and isinstance(key, int) and key < len(node)


@settings(max_examples=200, deadline=None, suppress_health_check=[HealthCheck.function_scoped_fixture])
@given(st.lists(st.tuples(st.sampled_from(WASH_PATHS), st.sampled_from(ODD_VALUES)), min_size=1, max_size=3),
       st.sampled_from(["12ch", "Wheel", None]))
def test_a_mangled_ofl_file_gives_a_fixture_type_or_a_clear_error(tmp_path, edits, mode):
    def mangle(document):
        for path, value in edits:
            node = document
            # An earlier edit may have replaced a node on the path: follow the path only while it fits.
            for key in path[:-1]:
                if not (in_list(node, key) or (isinstance(node, dict) and key in node)):
                    break
                node = node[key]
            else:
                if isinstance(node, dict) or in_list(node, path[-1]):
                    node[path[-1]] = copy.deepcopy(value)  # one shared value put inside itself is a cycle

    try:
        read_ofl(edited_ofl(tmp_path, mangle), mode)
    except FixtureFileError as error:
        assert "\n" not in str(error)
