"""Output destinations as written on the command line or in a show file."""

import ipaddress
from dataclasses import dataclass
from enum import StrEnum
from urllib.parse import urlsplit


class OutputKind(StrEnum):
    PREVIEW = "preview"
    SACN = "sacn"
    ARTNET = "artnet"
    OSC = "osc"


# The well-known UDP ports of the DMX protocols; OSC has none, so its port is required.
DEFAULT_PORTS = {OutputKind.SACN: 5568, OutputKind.ARTNET: 6454}

ACCEPTED_FORMS = "preview, sacn://[HOST][:PORT], artnet://HOST[:PORT] or osc://HOST:PORT"


@dataclass(frozen=True)
class OutputDestination:
    kind: OutputKind
    host: str = ""
    port: int = 0

    def __str__(self) -> str:
        if self.kind is OutputKind.PREVIEW:
            return self.kind.value
        host = f"[{self.host}]" if ":" in self.host else self.host
        return f"{self.kind.value}://{host}:{self.port}"


PREVIEW = OutputDestination(OutputKind.PREVIEW)


def parse_output_destination(text: str) -> OutputDestination:
    """Read 'preview', 'sacn://HOST[:PORT]', 'artnet://HOST[:PORT]' or 'osc://HOST:PORT'.

    Raises ValueError with a message naming the text and the accepted forms.
    """
    def bad(reason: str) -> ValueError:
        return ValueError(f"bad output {text!r}: {reason} (expected {ACCEPTED_FORMS})")

    if text.strip().lower() == OutputKind.PREVIEW.value:
        return PREVIEW
    if "://" not in text:
        raise bad("not a known output")
    parts = urlsplit(text.strip())
    try:
        kind = OutputKind(parts.scheme.lower())
    except ValueError:
        raise bad(f"unknown protocol {parts.scheme!r}") from None
    if kind is OutputKind.PREVIEW:
        raise bad("preview takes no address")
    if parts.path not in ("", "/") or parts.query or parts.fragment or "@" in parts.netloc:
        raise bad("only a host and a port may follow the protocol")
    if not parts.hostname and kind is not OutputKind.SACN:
        # sACN without a host multicasts each universe to its own group.
        raise bad("the host is missing")
    try:
        port = parts.port
    except ValueError:
        raise bad("the port must be a number from 1 to 65535") from None
    if port is None:
        if kind not in DEFAULT_PORTS:
            raise bad(f"{kind.value} needs a port")
        port = DEFAULT_PORTS[kind]
    if port == 0:
        raise bad("the port must be a number from 1 to 65535")
    return OutputDestination(kind, parts.hostname or "", port)


def is_multicast(host: str) -> bool:
    """True for no host (sACN's multicast) or an IPv4 multicast address."""
    if not host:
        return True
    try:
        address = ipaddress.ip_address(host)
    except ValueError:
        return False
    return address.version == 4 and address.is_multicast
