"""Show-file errors: one line naming the file, the line and the field."""

import reprlib
import typing
from dataclasses import dataclass, field
from functools import cached_property
from pathlib import Path

from pydantic import BaseModel, ValidationError

from kinemorphs_show.rig import DMX_CHANNELS_PER_UNIVERSE
from kinemorphs_show.source_lines import KeyPath, key_lines, line_of

# Short enough that a hostile value (a 5000-digit number, a huge table) still fits one line.
SHOWN_VALUE = reprlib.Repr(maxstring=40, maxother=40, maxlist=4, maxdict=4, maxlevel=2)
SHOWN_VALUE.maxlong = 40
SHOWN_KEY_LENGTH = 60
# pydantic's wording for a value of the wrong container type, as a show author would say it.
CONTAINER_WORDS = {"model_type": "a table", "dict_type": "a table", "model_attributes_type": "a table",
                   "list_type": "a list", "tuple_type": "a list"}


class ShowFileError(Exception):
    """A show file that cannot be used; str() names the file, the line and the field."""

    def __init__(self, path: Path, line: int | None, field: str, message: str) -> None:
        self.path, self.line, self.field, self.message = path, line, field, message
        where = f"{path}:{line}" if line else str(path)
        super().__init__(f"{where}: {field}: {message}" if field else f"{where}: {message}")


@dataclass(frozen=True)
class Source:
    path: Path
    text: str = field(repr=False)

    @cached_property
    def lines(self) -> dict[KeyPath, int]:
        """Where each key is written: found only when an error needs a line, as most loads have none."""
        return key_lines(self.text)


def field_name(path: KeyPath) -> str:
    """('fixtures', 2, 'address') -> 'fixtures[2].address' (a hostile key shortened)."""
    text = ""
    for part in path:
        if isinstance(part, str) and len(part) > SHOWN_KEY_LENGTH:
            part = part[:SHOWN_KEY_LENGTH] + "..."
        text += f"[{part}]" if isinstance(part, int) else (f".{part}" if text else part)
    return text


def fail(source: Source, path: KeyPath, message: str) -> ShowFileError:
    return ShowFileError(source.path, line_of(source.lines, path), field_name(path), message)


def document_path(document: dict, loc: tuple, missing: bool) -> KeyPath:
    """The parts of a validation error's location that name keys and indices of the document
    (pydantic adds union tags and '[key]' markers, skipped here); a missing key keeps its name."""
    path: list = []
    value = document
    for number, part in enumerate(loc):
        if isinstance(value, dict) and part in value:
            value = value[part]
        elif isinstance(value, list) and isinstance(part, int) and 0 <= part < len(value):
            value = value[part]
        elif not (missing and number == len(loc) - 1):
            continue
        path.append(part)
    return tuple(path)


def known_fields(model: type[BaseModel], path: KeyPath) -> tuple[str, ...]:
    """The fields of the table at path (ints and dict keys step into containers; where the
    table may be one of several, the fields of all of them)."""
    current = [model]
    for part in path:
        if isinstance(part, int):
            continue
        fields = [table.model_fields[part] for table in current if part in table.model_fields]
        if fields:  # else a key of a dict of tables, such as a profile's name
            current = table_types(fields[0].annotation)
    return tuple(dict.fromkeys(name for table in current for name in table.model_fields))


def table_types(annotation) -> list[type[BaseModel]]:
    """The models inside list[...], dict[..., ...], X | None or an Annotated union."""
    if isinstance(annotation, type) and issubclass(annotation, BaseModel):
        return [annotation]
    return [model for argument in typing.get_args(annotation) for model in table_types(argument)]


def error_message(error: dict, fields: tuple[str, ...]) -> str:
    kind, context = error["type"], error.get("ctx", {})
    if kind == "missing":
        return "missing"
    if kind == "extra_forbidden":
        return f"unknown field; expected one of {', '.join(fields)}"
    bounds = {"greater_than_equal": "at least {ge}", "less_than_equal": "at most {le}",
              "greater_than": "above {gt}", "less_than": "below {lt}"}
    if kind in CONTAINER_WORDS:
        text = f"must be {CONTAINER_WORDS[kind]}"
    elif kind == "too_short":
        text = f"needs at least {context.get('min_length')} entries"
    elif kind == "too_long":
        text = f"may have at most {context.get('max_length')} entries"
    elif kind in bounds:
        text = "must be " + bounds[kind].format(**{key: f"{value:g}" if isinstance(value, float) else value
                                                   for key, value in context.items()})
    elif error["msg"].startswith("Input should be "):
        text = "must be " + error["msg"].removeprefix("Input should be ")
    else:
        text = error["msg"]
    return f"{text}, got {SHOWN_VALUE.repr(error['input'])}"


def validation_failure(source: Source, model: type[BaseModel], document: dict,
                       error: ValidationError) -> ShowFileError:
    """The first of pydantic's errors as a ShowFileError (one line; the rest follow once it is fixed)."""
    errors = error.errors(include_url=False)
    # A misspelt key explains the "missing" error that comes with it: report it first.
    first = next((e for e in errors if e["type"] == "extra_forbidden"), errors[0])
    path = document_path(document, first["loc"], first["type"] == "missing")
    if first["loc"] and first["loc"][-1] == "[key]":
        # A dict key that is not allowed: name the key itself.
        message = (f"channel keys are numbers 1..{DMX_CHANNELS_PER_UNIVERSE}, relative to the address"
                   if path[-2:-1] == ("channels",) else "not a valid key")
        message += f", got {SHOWN_VALUE.repr(first['input'])}"
    else:
        message = error_message(first, known_fields(model, path[:-1]))
    return fail(source, path, message)
