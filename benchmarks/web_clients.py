"""Clients of the show's web page for bench_web.py, in a process of their own.

    python web_clients.py URL COUNT browser|websocket SECONDS

Opens COUNT clients on URL (Chromium pages drawing the stage view, or bare WebSocket
readers), prints "ready" once every one receives frames, keeps them connected for
SECONDS, then prints one JSON line: the frame updates each client got per second.
"""

import asyncio
import json
import shutil
import sys
import time

BROWSER_ARGS = ["--no-sandbox", "--enable-unsafe-swiftshader", "--use-angle=swiftshader"]


async def websocket_clients(url: str, count: int, seconds: float) -> list[float]:
    import aiohttp

    counts = [0] * count
    measuring = asyncio.Event()

    async def client(number: int, session) -> None:
        async with session.ws_connect(url.rstrip("/") + "/api/ws") as socket:
            async for message in socket:
                if measuring.is_set() and '"type":"frame"' in message.data:
                    counts[number] += 1

    async with aiohttp.ClientSession() as session:
        tasks = [asyncio.create_task(client(number, session)) for number in range(count)]
        await asyncio.sleep(0.5)
        print("ready", flush=True)
        measuring.set()
        await asyncio.sleep(seconds)
        for task in tasks:
            task.cancel()
    return [value / seconds for value in counts]


async def browser_clients(url: str, count: int, seconds: float) -> list[float]:
    from playwright.async_api import async_playwright

    chromium = shutil.which("chromium") or shutil.which("chromium-browser")
    async with async_playwright() as playwright:
        browser = await playwright.chromium.launch(executable_path=chromium, args=BROWSER_ARGS)
        pages = [await browser.new_page(viewport={"width": 1200, "height": 675}) for _ in range(count)]
        for page in pages:
            await page.goto(url)
            await page.wait_for_function("window.stageView && window.stageView.frames > 5")
        print("ready", flush=True)
        before = [await page.evaluate("stageView.frames") for page in pages]
        start = time.perf_counter()
        await asyncio.sleep(seconds)
        after = [await page.evaluate("stageView.frames") for page in pages]
        elapsed = time.perf_counter() - start
        await browser.close()
    return [(late - early) / elapsed for early, late in zip(before, after)]


def main() -> None:
    url, count, kind, seconds = sys.argv[1], int(sys.argv[2]), sys.argv[3], float(sys.argv[4])
    clients = browser_clients if kind == "browser" else websocket_clients
    print(json.dumps(asyncio.run(clients(url, count, seconds))), flush=True)


if __name__ == "__main__":
    main()
