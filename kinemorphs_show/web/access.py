"""Who may talk to the web page's server: the address it listens on and the token it asks for.

Bound to a loopback address the server needs no login (only this machine reaches it);
bound to any other address it makes a random token at start, and every request and
WebSocket must carry it, as the header `Authorization: Bearer TOKEN` or the query
parameter `token=TOKEN`. Whatever the bind, a browser page from another site may not
drive the show: a request whose Origin is not the server's own is refused, and on
loopback so is one whose Host is not a loopback name (a DNS-rebinding page).
"""

import hmac
import ipaddress
import secrets
from dataclasses import dataclass
from urllib.parse import urlsplit

WEB_DEFAULT_HOST = "127.0.0.1"
TOKEN_QUERY = "token"
TOKEN_BYTES = 18
LOOPBACK_NAMES = frozenset({"localhost", "localhost.localdomain"})


@dataclass(frozen=True)
class WebAddress:
    host: str
    port: int

    @property
    def is_loopback(self) -> bool:
        return is_loopback_host(self.host)


def parse_web_address(text: str) -> WebAddress:
    """'PORT' or 'HOST:PORT' (host 127.0.0.1 unless given; port 0 picks a free one); ValueError otherwise."""
    host, _, port_text = text.strip().rpartition(":")
    port = int(port_text) if port_text.isascii() and port_text.isdigit() else -1
    if not 0 <= port <= 65535:
        raise ValueError(f"bad web address {text!r}: expected PORT or HOST:PORT with PORT from 0 to 65535")
    return WebAddress(host.strip("[]") or WEB_DEFAULT_HOST, port)


def is_loopback_host(host: str) -> bool:
    if host.lower() in LOOPBACK_NAMES:
        return True
    try:
        return ipaddress.ip_address(host).is_loopback
    except ValueError:
        return False


def token_for(address: WebAddress) -> str | None:
    """None on loopback (no login); otherwise a fresh random token for this run."""
    return None if address.is_loopback else secrets.token_urlsafe(TOKEN_BYTES)


@dataclass(frozen=True)
class Gate:
    """The checks every request passes before it reaches the show."""

    address: WebAddress
    token: str | None

    def refusal(self, headers, query) -> str | None:
        """Why a request with these headers and query parameters is refused, or None."""
        if self.token is not None:
            given = query.get(TOKEN_QUERY, "")
            bearer = headers.get("Authorization", "")
            if bearer.startswith("Bearer "):
                given = bearer.removeprefix("Bearer ")
            if not hmac.compare_digest(given.encode(), self.token.encode()):
                return "a token is required (Authorization: Bearer TOKEN or ?token=TOKEN)"
        host_header = headers.get("Host", "")
        if self.token is None and not is_loopback_host(host_of(host_header)):
            return "the server answers loopback names only"
        origin = headers.get("Origin")
        if origin is not None and urlsplit(origin).netloc.lower() != host_header.lower():
            return "requests from another site's page are refused"
        return None


def host_of(host_header: str) -> str:
    """The host of a Host header, without its port ('[::1]:8000' → '::1')."""
    if host_header.startswith("["):
        return host_header[1:].partition("]")[0]
    return host_header.rpartition(":")[0] if host_header.count(":") == 1 else host_header
