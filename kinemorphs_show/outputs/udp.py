"""Sending every frame's datagrams to one peer over a connected UDP socket.

A connected socket skips the address parsing and the route lookup that sendto
does for each datagram (a big rig sends over a hundred a frame). Its one
difference is that Linux reports an ICMP "port unreachable" for an earlier
datagram as ECONNREFUSED on the next send, which then sends nothing. A peer
that is not listening is not a failure for an unconnected sender (datagrams
just go nowhere), so the refused send is made again: the datagram goes out and
the output behaves as an unconnected one would.
"""

import socket


def send_to_peer(sock: socket.socket, data: bytes | bytearray) -> None:
    try:
        sock.send(data)
    except ConnectionRefusedError:
        sock.send(data)
