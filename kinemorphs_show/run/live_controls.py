"""Live controls while a show runs: keys, OSC messages and the signals that end a run.

Nothing received may hold up the frame loop. OSC packets are parsed and their
commands carried out on arrival; a bundle time-tagged in the future is
scheduled on the event loop (never slept on), and one tagged further ahead
than OSC_SCHEDULE_HORIZON_S is refused, so a stray time tag cannot park a
command for a year.
"""

import asyncio
import os
import signal
import sys
import time
from collections.abc import Callable
from contextlib import AsyncExitStack

from kinemorphs_show.controls import Command, command_for_osc, commands_for_keys
from kinemorphs_show.run.terminal import keys_read_one_by_one

OSC_IN_DEFAULT_HOST = "127.0.0.1"
KEY_READ_BYTES = 64
OSC_SCHEDULE_HORIZON_S = 10.0
# Commands waiting for their time tag; a flood of future bundles beyond this is refused, not queued.
MAX_SCHEDULED_COMMANDS = 1000
# Every one ends the run the same way: frames stop, every fixture is sent home, the terminal is restored.
STOP_SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP, signal.SIGQUIT)


def parse_osc_in(text: str) -> tuple[str, int]:
    """'PORT' or 'HOST:PORT' for the OSC control listener; ValueError otherwise."""
    host, _, port_text = text.rpartition(":")
    try:
        port = int(port_text)
    except ValueError:
        port = 0
    if not 1 <= port <= 65535:
        raise ValueError(f"bad OSC control port {text!r}: expected PORT or HOST:PORT with PORT from 1 to 65535")
    return (host.strip("[]") or OSC_IN_DEFAULT_HOST), port


class OscControlProtocol(asyncio.DatagramProtocol):
    """Turns OSC datagrams into commands without ever blocking the loop."""

    def __init__(self, on_command: Callable[[Command], None], refuse: Callable[[str], None],
                 wall_time: Callable[[], float] = time.time) -> None:
        self._on_command = on_command
        self._refuse = refuse
        self._wall_time = wall_time
        self._scheduled = 0

    def datagram_received(self, data: bytes, address: object) -> None:
        from pythonosc.osc_packet import OscPacket

        try:
            # Bundles in the past or tagged "immediately" come back timed now.
            messages = OscPacket(data).messages
        except Exception:  # anything a sender can put in a datagram must not reach the loop
            self._refuse("an OSC packet that does not parse")
            return
        now = self._wall_time()
        loop = asyncio.get_running_loop()
        for timed in messages:
            delay = timed.time - now
            if delay > OSC_SCHEDULE_HORIZON_S:
                self._refuse(f"{timed.message.address} timed {delay:.0f} s ahead")
            elif delay > 0 and self._scheduled >= MAX_SCHEDULED_COMMANDS:
                self._refuse(f"more than {MAX_SCHEDULED_COMMANDS} time-tagged commands waiting")
            elif delay > 0:
                self._scheduled += 1
                loop.call_later(delay, self._dispatch_scheduled, timed.message.address, tuple(timed.message.params))
            else:
                self._dispatch(timed.message.address, tuple(timed.message.params))

    def _dispatch_scheduled(self, address: str, args: tuple[object, ...]) -> None:
        self._scheduled -= 1
        self._dispatch(address, args)

    def _dispatch(self, address: str, args: tuple[object, ...]) -> None:
        command = command_for_osc(address, args)
        if command is not None:
            self._on_command(command)


async def listen_for_osc_controls(stack: AsyncExitStack, address: tuple[str, int],
                                  on_command: Callable[[Command], None], refuse: Callable[[str], None]) -> None:
    loop = asyncio.get_running_loop()
    transport, _ = await loop.create_datagram_endpoint(lambda: OscControlProtocol(on_command, refuse),
                                                       local_addr=address)
    stack.callback(transport.close)


def stop_on_signals(stack: AsyncExitStack, request_quit: Callable[[str], None]) -> None:
    loop = asyncio.get_running_loop()
    for signal_number in STOP_SIGNALS:
        loop.add_signal_handler(signal_number, request_quit, signal.Signals(signal_number).name)
        stack.callback(loop.remove_signal_handler, signal_number)


def read_keys_if_terminal(stack: AsyncExitStack, on_command: Callable[[Command], None]) -> None:
    """When standard input is a terminal, take keys one by one until the run ends (the mode is restored)."""
    if not sys.stdin.isatty():
        return
    fd = sys.stdin.fileno()
    stack.enter_context(keys_read_one_by_one(fd))
    loop = asyncio.get_running_loop()

    def on_keys() -> None:
        try:
            text = os.read(fd, KEY_READ_BYTES).decode(errors="ignore")
        except OSError:
            text = ""
        if not text:
            # The terminal hung up or closed: stop listening (SIGHUP, if it comes, ends the run).
            loop.remove_reader(fd)
            return
        for command in commands_for_keys(text):
            on_command(command)

    loop.add_reader(fd, on_keys)
    stack.callback(loop.remove_reader, fd)
