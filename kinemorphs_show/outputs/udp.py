"""Sending every frame's datagrams to one peer, over a connected UDP socket where it can be.

A connected socket skips the address parsing and the route lookup that sendto
does for each datagram (a big rig sends over a hundred a frame). Its one
difference is that Linux reports an ICMP "port unreachable" for an earlier
datagram as ECONNREFUSED on the next send, which then sends nothing. A peer
that is not listening is not a failure for an unconnected sender (datagrams
just go nowhere), so the refused send is made again: the datagram goes out and
the output behaves as an unconnected one would. A peer that cannot be
connected to at the start (no route to it yet) is sent to with sendto, so the
run starts anyway and its failed sends are reported and retried as before.
"""

import socket


class PeerSender:
    def __init__(self, sock: socket.socket, address: tuple) -> None:
        self._socket, self._address = sock, address
        try:
            sock.connect(address)
            self.connected = True
        except OSError:
            self.connected = False

    def send(self, data: bytes | bytearray) -> None:
        if not self.connected:
            self._socket.sendto(data, self._address)
            return
        try:
            self._socket.send(data)
        except ConnectionRefusedError:
            self._socket.send(data)
