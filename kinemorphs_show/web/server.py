"""The web server: the page, its files and the API, on aiohttp inside the show's own event loop.

Every request passes the gate (access.py) before any handler runs, so a refused one never
reaches the show. Each WebSocket client has its own sender task that waits for a new frame
and sends the newest one; a client that is slow to read delays nobody but itself.
"""

import asyncio
import json
import time
from collections.abc import Callable
from contextlib import AsyncExitStack
from importlib import resources

from aiohttp import WSMsgType, web

from kinemorphs_show.controls import Command
from kinemorphs_show.timing import NS_PER_SECOND
from kinemorphs_show.web.access import TOKEN_QUERY, Gate, WebAddress
from kinemorphs_show.web.control import command_for_message
from kinemorphs_show.web.live_state import LiveState, Subscriber

STATIC = resources.files("kinemorphs_show.web") / "static"
# Replaced in the page by "?token=…" (or nothing), so that its own files carry the token too.
TOKEN_QUERY_MARK = "__TOKEN_QUERY__"
MAX_MESSAGE_BYTES = 64 * 1024
MAX_CLIENTS = 32
# Above this many frames a second the stream coalesces (a show may run at more than a page can draw).
MAX_STREAM_RATE_HZ = 60
HEARTBEAT_S = 10.0
SHUTDOWN_TIMEOUT_S = 0.5
# How long a closing WebSocket waits for the client's answer: a stalled phone must not hold up the exit.
CLOSE_TIMEOUT_S = 1.0

# What a control does: the refusal or bound it met, for the status line and the reply, or None.
Control = Callable[[Command], str | None]


def build_app(live: LiveState, gate: Gate, control: Control) -> web.Application:
    clients: set[web.WebSocketResponse] = set()

    @web.middleware
    async def guarded(request: web.Request, handler):
        refusal = gate.refusal(request.headers, request.query)
        if refusal is not None:
            return web.json_response({"ok": False, "refused": refusal},
                                     status=401 if "token" in refusal else 403)
        return await handler(request)

    async def page(request: web.Request) -> web.Response:
        query = f"?{TOKEN_QUERY}={gate.token}" if gate.token else ""
        html = (STATIC / "index.html").read_text(encoding="utf-8").replace(TOKEN_QUERY_MARK, query)
        return web.Response(text=html, content_type="text/html", headers={"Cache-Control": "no-store"})

    async def state(request: web.Request) -> web.Response:
        return web.json_response(live.state())

    def carry_out(message: object) -> tuple[dict, int]:
        """The reply and its HTTP status: 400 for a message that is no control at all."""
        command = command_for_message(message, live.stage.cue_names, live.stage.layer_cue_names())
        if isinstance(command, str):
            return {"ok": False, "refused": command}, 400
        refused = control(command)
        return {"ok": refused is None, "refused": refused}, 200

    async def control_request(request: web.Request) -> web.Response:
        if request.content_type != "application/json":
            # Also keeps other sites' pages from posting without a CORS preflight.
            return web.json_response({"ok": False, "refused": "send the control as application/json"},
                                     status=415)
        try:
            message = json.loads(await request.read())
        except (ValueError, web.HTTPException):
            return web.json_response({"ok": False, "refused": "the body is not JSON"}, status=400)
        reply, status = carry_out(message)
        return web.json_response(reply, status=status)

    async def stream(request: web.Request) -> web.StreamResponse:
        if len(clients) >= MAX_CLIENTS:
            return web.json_response({"ok": False, "refused": f"at most {MAX_CLIENTS} clients"}, status=503)
        # Uncompressed: deflating every frame once per client would cost the show's loop more than the bytes.
        socket = web.WebSocketResponse(heartbeat=HEARTBEAT_S, max_msg_size=MAX_MESSAGE_BYTES, compress=False,
                                       timeout=CLOSE_TIMEOUT_S)
        await socket.prepare(request)
        clients.add(socket)
        subscriber = Subscriber()
        live.subscribers.add(subscriber)
        sender = asyncio.create_task(send_frames(socket, subscriber, live))
        try:
            await socket.send_str(json.dumps({"type": "stage", **live.stage.as_json()}))
            async for message in socket:
                if message.type != WSMsgType.TEXT:
                    continue
                try:
                    parsed = json.loads(message.data)
                except ValueError:
                    parsed = None
                reply, _ = carry_out(parsed)
                await socket.send_str(json.dumps({"type": "reply", **reply}))
        finally:
            live.subscribers.discard(subscriber)
            clients.discard(socket)
            sender.cancel()
        return socket

    async def close_clients(app: web.Application) -> None:
        await asyncio.gather(*(socket.close() for socket in list(clients)), return_exceptions=True)

    app = web.Application(middlewares=[guarded], client_max_size=MAX_MESSAGE_BYTES)
    app.router.add_get("/", page)
    app.router.add_get("/api/state", state)
    app.router.add_post("/api/control", control_request)
    app.router.add_get("/api/ws", stream)
    app.router.add_static("/static", str(STATIC), follow_symlinks=False)
    app.on_shutdown.append(close_clients)
    return app


async def send_frames(socket: web.WebSocketResponse, subscriber: Subscriber, live: LiveState) -> None:
    """Send the newest frame whenever there is one, at most MAX_STREAM_RATE_HZ a second."""
    interval_ns = NS_PER_SECOND // MAX_STREAM_RATE_HZ
    last_ns = 0
    try:
        while not socket.closed:
            await subscriber.new_frame.wait()
            wait_ns = last_ns + interval_ns - time.monotonic_ns()
            if wait_ns > 0:
                await asyncio.sleep(wait_ns / NS_PER_SECOND)
            subscriber.new_frame.clear()
            text = live.frame_message()
            if text is not None:
                await socket.send_str(text)
            last_ns = time.monotonic_ns()
    except (ConnectionError, RuntimeError):
        pass  # the client went away; its handler cleans up


async def serve(stack: AsyncExitStack, address: WebAddress, gate: Gate, live: LiveState, control: Control) -> str:
    """Start serving on the running loop until the stack closes; the page's URL."""
    runner = web.AppRunner(build_app(live, gate, control), access_log=None, handle_signals=False,
                           shutdown_timeout=SHUTDOWN_TIMEOUT_S)
    await runner.setup()
    stack.push_async_callback(runner.cleanup)
    site = web.TCPSite(runner, address.host, address.port)
    await site.start()
    port = runner.addresses[0][1]
    host = f"[{address.host}]" if ":" in address.host else address.host
    query = f"?{TOKEN_QUERY}={gate.token}" if gate.token else ""
    return f"http://{host}:{port}/{query}"
