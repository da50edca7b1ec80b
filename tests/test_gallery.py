"""The gallery page in a real headless Chromium (Debian's, never a downloaded one).

Builds the site from the module under test, loads it from a local file and
checks the cards, the drawing conventions, the beat grid, the depth views, the
family filter, the search, the tempo clock and that every card gets drawn.
Screenshots and the page's size and timings are written to tests/artifacts/.
"""

import base64
import json
import math
import re
import shutil
import subprocess
import sys
from pathlib import Path

import pytest

import kinemorphs

REPO = Path(__file__).resolve().parents[1]
ARTIFACTS = Path(__file__).resolve().parent / "artifacts"
CHROMIUM = shutil.which("chromium") or shutil.which("chromium-browser")
# Without them every browser test fails with the line that installs them (./dev test does, as root).
MISSING_CHROMIUM = ("Chromium is missing for the gallery's browser tests: "
                    "apt-get install chromium fonts-liberation")
MISSING_PLAYWRIGHT = "playwright is missing for the gallery's browser tests: pip install '.[test]'"

CATALOGUE = kinemorphs.catalogue()
NAMES = [entry["name"] for entry in CATALOGUE]
DEFAULTS = "defaults"
ALL_DRAWN_TIMEOUT_MS = 300_000   # generous: drawing all cards shares the machine with the build


def group_of(name):
    return DEFAULTS if callable(getattr(kinemorphs, name, None)) else name.split("_", 1)[0]


@pytest.fixture(scope="module")
def site(tmp_path_factory):
    folder = tmp_path_factory.mktemp("site")
    result = subprocess.run([sys.executable, str(REPO / "gallery" / "build_gallery.py"),
                             str(folder)], capture_output=True, text=True, timeout=600)
    assert result.returncode == 0, result.stderr
    return folder / "index.html"


@pytest.fixture(scope="module")
def browser():
    if CHROMIUM is None:
        pytest.fail(MISSING_CHROMIUM, pytrace=False)
    try:
        from playwright.sync_api import sync_playwright
    except ImportError:
        pytest.fail(MISSING_PLAYWRIGHT, pytrace=False)
    ARTIFACTS.mkdir(exist_ok=True)
    with sync_playwright() as playwright:
        browser = playwright.chromium.launch(executable_path=CHROMIUM, args=["--no-sandbox"])
        yield browser
        browser.close()


def open_gallery(browser, site, width=1400, height=1000):
    tab = browser.new_page(viewport={"width": width, "height": height})
    tab.errors = []
    tab.on("pageerror", lambda error: tab.errors.append(str(error)))
    tab.goto(site.as_uri())
    tab.wait_for_selector("body[data-ready]", timeout=60_000)
    return tab


@pytest.fixture(scope="module")
def page(browser, site):
    tab = open_gallery(browser, site)
    yield tab
    assert not tab.errors
    tab.close()


def record_metrics(**values):
    """Merge figures into tests/artifacts/gallery_metrics.json (reported, never asserted)."""
    path = ARTIFACTS / "gallery_metrics.json"
    metrics = json.loads(path.read_text()) if path.exists() else {}
    path.write_text(json.dumps(metrics | values, indent=2))


def settle(page):
    """Let queued filtering and a marker update run (two animation frames)."""
    page.evaluate("() => new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)))")


def visible_ids(page):
    return page.evaluate("() => [...document.querySelectorAll('.card:not([hidden])')].map(c => c.id)")


def set_filters(page, search="", family=""):
    page.fill("#search", search)
    page.select_option("#family", family)
    settle(page)


def show_card(page, name):
    page.evaluate("(name) => document.getElementById(name).scrollIntoView({block: 'center'})", name)
    page.wait_for_function("(name) => { const p = gallery.data.patterns.find(q => q.name === name);"
                           " return gallery.visible.has(p) && p.picture; }", arg=name)
    settle(page)


def test_page_is_self_contained_and_reports_its_timings(page, site):
    html = site.read_text(encoding="utf-8")
    assert not re.search(r"""(src|href)\s*=\s*["']?(https?:)?//""", html)
    assert list(site.parent.iterdir()) == [site]
    page.screenshot(path=str(ARTIFACTS / "gallery_top.png"))
    page.wait_for_selector("body[data-all-drawn]", timeout=ALL_DRAWN_TIMEOUT_MS)
    timings = page.evaluate("""() => Object.fromEntries(
        performance.getEntriesByType('paint').map(e => [e.name, e.startTime])
        .concat(performance.getEntriesByType('mark').map(e => [e.name, e.startTime])))""")
    assert {"first-paint", "first-contentful-paint", "gallery-ready", "gallery-all-drawn"} <= set(timings)
    (ARTIFACTS / "gallery_metrics.json").unlink(missing_ok=True)
    record_metrics(page_bytes=site.stat().st_size, patterns=len(CATALOGUE),
                   timings_ms={name: round(ms) for name, ms in timings.items()})


def test_one_card_per_pattern_with_its_facts(page):
    cards = page.evaluate("""() => [...document.querySelectorAll('.card')].map(c => [
        c.id, c.querySelector('h2').textContent, c.dataset.group,
        c.querySelector('.facts').textContent, c.querySelector('.desc').textContent])""")
    assert len(cards) == len(CATALOGUE)
    for (card_id, title, group, facts, description), entry in zip(cards, CATALOGUE):
        period = entry["period_pips"]
        beats = period / 64
        beats_text = f"{beats:g} {'beat' if beats == 1 else 'beats'}"
        axes = "1 axis" if entry["dimensions"] == 1 else f"{entry['dimensions']} axes"
        assert (card_id, title, group) == (entry["name"], entry["name"], group_of(entry["name"]))
        assert re.fullmatch(rf"{period} pips · {beats_text} · .+ · {axes}", facts), facts
        assert description == entry["description"]
    assert page.text_content("#count") == f"{len(CATALOGUE)} of {len(CATALOGUE)} patterns"


@pytest.mark.parametrize("period, bars", [(64, "1/4 bar"), (160, "5/8 bar"), (256, "1 bar"),
                                           (448, "1 3/4 bars"), (512, "2 bars"), (1024, "4 bars")])
def test_period_in_bars(page, period, bars):
    assert page.evaluate("([period]) => barsText(period, gallery.grid.bar)", [period]) == bars


def test_titles_break_only_after_underscores(browser, site):
    """In a narrow window every wrapped title line but the last ends with an underscore."""
    tab = open_gallery(browser, site, width=250)
    lines = tab.evaluate("""() => [...document.querySelectorAll('.card h2')].slice(0, 400).map(h2 => {
        const range = document.createRange(), lines = [];
        let top = null, line = '';
        for (const part of h2.childNodes) {
            if (part.nodeType !== Node.TEXT_NODE) continue;
            for (let i = 0; i < part.length; i++) {
                range.setStart(part, i); range.setEnd(part, i + 1);
                const y = range.getClientRects()[0].top;
                if (top !== null && y > top + 2) { lines.push(line); line = ''; }
                top = y; line += part.data[i];
            }
        }
        lines.push(line);
        return lines;
    })""")
    assert not tab.errors
    tab.close()
    wrapped = [parts for parts in lines if len(parts) > 1]
    assert wrapped, "no title wrapped: the test does not exercise line breaking"
    for parts in wrapped:
        assert all(part.endswith("_") for part in parts[:-1]), parts


def test_decoded_rows_match_the_module(page):
    """The drawing data round-trips every row of a spread of patterns to within quantisation."""
    step = max(1, len(NAMES) // 40)
    chosen = NAMES[:15] + NAMES[15::step] + NAMES[-1:]
    decoded = page.evaluate("""(names) => names.map(name => {
        const p = gallery.data.patterns.find(q => q.name === name);
        return [p.scales, p.axes.map(a => a && Array.from(a))];
    })""", chosen)
    quant = page.evaluate("() => gallery.data.quant")
    for name, (scales, axes) in zip(chosen, decoded):
        rows = [kinemorphs.sample(name, pip).as_tuple() for pip in range(len(axes[0] or []))]
        for axis in range(3):
            column = [row[axis] for row in rows]
            if axes[axis] is None:
                assert not any(column), (name, axis)
                continue
            assert scales[axis] == max(map(abs, column))
            worst = max(abs(q - v) for q, v in zip(axes[axis], column))
            # Half a quantisation step, plus float32 storage.
            assert worst <= 0.5 * scales[axis] / quant + 1e-6, (name, axis, worst)


def test_family_filter_tells_the_defaults_from_the_rudiment_family(page):
    options = page.evaluate("() => [...document.querySelectorAll('#family option')].map(o => [o.value, o.text])")
    groups = sorted({group_of(name) for name in NAMES} - {DEFAULTS})
    assert [value for value, _ in options] == ["", DEFAULTS, *groups]
    labels = dict(options)
    assert "rudiment" in groups and labels["rudiment"].startswith("rudiment (")
    assert "rudiment functions" in labels[DEFAULTS]
    last = group_of(NAMES[-1])
    for family in [DEFAULTS, "rudiment", "lfo", last]:
        set_filters(page, family=family)
        expected = [name for name in NAMES if group_of(name) == family]
        assert visible_ids(page) == expected
        assert page.text_content("#count") == f"{len(expected)} of {len(NAMES)} patterns"
    page.evaluate("() => window.scrollTo(0, 0)")
    settle(page)
    page.screenshot(path=str(ARTIFACTS / f"gallery_family_{last}.png"))
    # From choosing "all" again to the next frame after every card is shown.
    filter_ms = page.evaluate("""() => new Promise(done => {
        const start = performance.now(), family = document.getElementById('family');
        family.value = '';
        family.dispatchEvent(new Event('change'));
        requestAnimationFrame(() => requestAnimationFrame(() => done(performance.now() - start)));
    })""")
    assert len(visible_ids(page)) == len(NAMES)
    record_metrics(show_all_cards_ms=round(filter_ms, 1))
    set_filters(page)


@pytest.mark.parametrize("query", ["lfo_breathe", "ORBIT", "helix", "  two   beat ", "zz_no_such"])
def test_search(page, query):
    set_filters(page, search=query)
    words = query.lower().split()
    expected = [entry["name"] for entry in CATALOGUE
                if all(w in (entry["name"] + " " + entry["description"]).lower() for w in words)]
    assert visible_ids(page) == expected
    if query.strip() in NAMES:
        assert query.strip() in expected
    set_filters(page)


def test_search_within_a_family(page):
    set_filters(page, search="roll", family=DEFAULTS)
    assert visible_ids(page) == [n for n in NAMES[:15] if "roll" in n]
    page.screenshot(path=str(ARTIFACTS / "gallery_search.png"))
    set_filters(page)


def picture(page, name):
    """The drawn SVG of one card, parsed in the page: depth layers, grid lines and ruler."""
    return page.evaluate("""(name) => {
        const p = gallery.data.patterns.find(q => q.name === name);
        const svg = new DOMParser().parseFromString(cardSvg(p, gallery.grid), 'image/svg+xml').documentElement;
        const strokes = (selector) => [...svg.querySelectorAll(selector)].map(e => e.getAttribute('stroke'));
        const dots = (selector) => [...svg.querySelectorAll(selector)]
            .reduce((n, e) => n + e.getAttribute('d').split('h0').length - 1, 0);
        const lines = (colour) => [...svg.querySelectorAll('path')]
            .filter(e => e.getAttribute('stroke') === colour)
            .reduce((n, e) => n + (e.getAttribute('d').match(/M/g) || []).length, 0);
        return {
            layers: strokes('svg > g[stroke-width="1.6"] > path:not(.hidden-line)'),
            hiddenLines: strokes('.hidden-line'),
            beats: lines(GRID.beat), bars: lines(GRID.bar), eighths: lines(GRID.eighth),
            ruler: [...svg.querySelectorAll('text.ruler')]
                .flatMap(t => t.getAttribute('x').split(' ').map((x, i) => [Number(x), t.textContent[i]]))
                .sort((a, b) => a[0] - b[0]).map(([, digit]) => digit).join(''),
            beatDots: dots('.beat-dot'), barDots: dots('.bar-dot'),
            hasTopView: svg.textContent.includes('top view'),
            styles: DEPTH_STYLES, halo: BG, flat: FLAT_PATH,
        };
    }""", name)


@pytest.mark.parametrize("name, beats, bars", [
    ("bounce", 1, 1), ("step_touch", 2, 1), ("meter_2_3", 3, 1), ("helix", 4, 1),
    ("beat_amen_four_bar_glide", 16, 4)])
def test_every_trace_has_its_beat_grid(page, name, beats, bars):
    entry = next(e for e in CATALOGUE if e["name"] == name)
    drawing = picture(page, name)
    # Inner lines: the start of the period is the left edge.
    assert (drawing["beats"], drawing["bars"]) == (beats - bars, bars - 1)
    assert drawing["ruler"] == "".join(str(b % 4 + 1) for b in range(beats))
    assert drawing["beatDots"] + drawing["barDots"] == math.ceil(entry["period_pips"] / 64) - 1


def test_depth_is_drawn_back_to_front_and_scaled_per_table(page):
    helix = picture(page, "helix")
    assert helix["hasTopView"]
    styles, halo = helix["styles"], helix["halo"]
    # Each layer is a dark outline then its colour, in order from the back to the front.
    assert helix["layers"][0::2] == [halo] * (len(helix["layers"]) // 2)
    steps = [styles.index(colour) for colour in helix["layers"][1::2]]
    assert steps == sorted(steps) and steps[0] == 0 and steps[-1] == len(styles) - 1
    # A table with a small depth range still spans the colour scale from its rest plane.
    shallow = min((e for e in CATALOGUE if e["dimensions"] == 3),
                  key=lambda e: max(abs(kinemorphs.sample(e["name"], pip).z) for pip in range(e["period_pips"])))
    drawing = picture(page, shallow["name"])
    assert styles[-1] in drawing["layers"] or styles[0] in drawing["layers"], shallow["name"]
    # Only the layers behind the rest plane are dashed over the drawing.
    assert helix["hiddenLines"] == styles[:len(styles) // 2]
    flat = picture(page, "circle")
    assert not flat["hasTopView"] and flat["layers"] == [flat["flat"]] and flat["hiddenLines"] == []


def marker_state(page, name):
    return page.evaluate("""(name) => {
        const p = gallery.data.patterns.find(q => q.name === name);
        return {pip: gallery.pip, bpm: gallery.clock.bpm, row: p.row, period: p.period,
                drawn: !!p.picture, front: p.markers.front.style.transform,
                top: p.markers.top && p.markers.top.style.transform};
    }""", name)


def translation(transform):
    match = re.match(r"translate\(([-\d.]+)px, ([-\d.]+)px\)", transform)
    return float(match[1]), float(match[2])


@pytest.mark.parametrize("bpm_text, bpm", [
    ("", None), ("  ", None), ("abc", None), ("-5", None), ("19.99", None), ("1000", None),
    ("20", 20), ("999", 999), ("97.3", 97.3), ("1e2", 100)])
def test_tempo_field_accepts_20_to_999(page, bpm_text, bpm):
    assert page.evaluate("(text) => gallery.parseBpm(text)", bpm_text) == bpm


def test_tempo_change_keeps_the_phase(page):
    """A clock that ran long at one tempo continues from the same pip at the next."""
    positions = page.evaluate("""() => {
        const clock = makeClock(64, 120);
        const before = clockPosition(clock, 81_750);          // 81.75 s at 120 BPM
        reanchor(clock, 81_750, {bpm: 45});
        const after = clockPosition(clock, 81_750);
        const later = clockPosition(clock, 82_750);
        reanchor(clock, 82_750, {bpm: null});
        const held = [clockPosition(clock, 82_750), clockPosition(clock, 99_000)];
        reanchor(clock, 99_000, {bpm: 60});
        return {before, after, later, held, resumed: clockPosition(clock, 99_500)};
    }""")
    assert positions["before"] == positions["after"] == 81.75 * 2 * 64
    assert positions["later"] == pytest.approx(positions["after"] + 45 / 60 * 64)
    assert positions["held"] == [positions["later"]] * 2
    assert positions["resumed"] == pytest.approx(positions["later"] + 32)


def test_markers_follow_the_lift_up_convention_at_the_chosen_tempo(page):
    show_card(page, "step_touch")
    page.fill("#bpm", "45")
    geometry = page.evaluate("() => gallery.geometry")
    inner = geometry["plot"] - 2 * geometry["pad"]
    before = marker_state(page, "step_touch")
    page.wait_for_timeout(500)
    after = marker_state(page, "step_touch")
    assert before["drawn"] and after["pip"] > before["pip"]
    for state in (before, after):
        assert state["bpm"] == 45
        assert state["row"] == state["pip"] % state["period"]
        x, y, _ = kinemorphs.sample("step_touch", state["pip"]).as_tuple()
        left, top = translation(state["front"])
        assert left == pytest.approx(geometry["pad"] + (x + 1) / 2 * inner, abs=1.0)
        # A lift (negative y) is drawn above the centre line.
        assert top == pytest.approx(geometry["pad"] + (1 + y) / 2 * inner, abs=1.0)
    page.fill("#bpm", "120")


def test_tempo_field_changes_without_a_jump_and_an_empty_field_holds(page):
    show_card(page, "helix")
    page.wait_for_timeout(300)
    # Paused, so that a loaded machine cannot blur a jump: the new tempo must
    # leave the position exactly where it was.
    page.click("#play")
    settle(page)
    before = marker_state(page, "helix")
    page.fill("#bpm", "45")
    settle(page)
    assert marker_state(page, "helix") == before | {"bpm": 45}
    page.click("#play")
    page.wait_for_timeout(300)
    assert marker_state(page, "helix")["pip"] > before["pip"]
    page.screenshot(path=str(ARTIFACTS / "gallery_after_bpm_change.png"))
    for text in ["", "5", "2000"]:
        page.fill("#bpm", text)
        settle(page)
        held = marker_state(page, "helix")
        page.wait_for_timeout(300)
        assert marker_state(page, "helix") == held and held["bpm"] is None
        assert "held" in page.text_content("#clock")
    page.fill("#bpm", "999")
    page.wait_for_timeout(200)
    assert marker_state(page, "helix")["pip"] > held["pip"]
    page.click("#play")          # pause: the clock and the markers stop
    settle(page)
    paused = marker_state(page, "helix")
    page.wait_for_timeout(300)
    assert marker_state(page, "helix")["pip"] == paused["pip"]
    page.click("#play")
    page.fill("#bpm", "120")


def test_the_depth_view_marker_follows_z(page):
    show_card(page, "helix")
    page.click("#play")
    settle(page)
    state = marker_state(page, "helix")
    page.click("#play")
    geometry = page.evaluate("() => gallery.geometry")
    x, _, z = kinemorphs.sample("helix", state["pip"]).as_tuple()
    left, top = translation(state["top"])
    assert left == pytest.approx(geometry["pad"] + (x + 1) / 2 * (geometry["plot"] - 2 * geometry["pad"]), abs=1.0)
    assert top == pytest.approx(geometry["top"] / 2 + z * (geometry["top"] / 2 - geometry["topPad"]), abs=1.0)
    page.evaluate("() => window.scrollBy(0, -120)")
    settle(page)
    page.screenshot(path=str(ARTIFACTS / "gallery_helix_depth.png"))


def test_markers_animate_only_near_the_viewport(page):
    page.evaluate("() => window.scrollTo(0, 0)")
    settle(page)
    animated = page.evaluate("() => [...gallery.visible].map(p => p.name)")
    assert 0 < len(animated) < 80 and NAMES[0] in animated
    page.evaluate("() => window.scrollTo(0, document.body.scrollHeight)")
    page.wait_for_function(f"() => gallery.visible.has(gallery.data.patterns[{len(NAMES) - 1}])")
    settle(page)
    animated = page.evaluate("() => [...gallery.visible].map(p => p.name)")
    assert NAMES[-1] in animated and NAMES[0] not in animated and len(animated) < 80
    page.evaluate("() => window.scrollTo(0, 0)")


def blank_cards(page, png):
    """Cards whose front view shows no drawn path in a capture (of the page from its top)."""
    return page.evaluate("""async (png) => {
        const image = new Image();
        image.src = 'data:image/png;base64,' + png;
        await image.decode();
        const canvas = new OffscreenCanvas(image.width, image.height);
        const ctx = canvas.getContext('2d');
        ctx.drawImage(image, 0, 0);
        const blank = [];
        for (const card of document.querySelectorAll('.card:not([hidden])')) {
            const box = card.querySelector('.views').getBoundingClientRect();
            const size = gallery.geometry.plot;
            if (box.top + scrollY + size > image.height) break;   // below the capture
            const pixels = ctx.getImageData(box.left + scrollX, box.top + scrollY, size, size).data;
            let bright = 0;
            for (let i = 0; i < pixels.length; i += 4) if (Math.max(pixels[i], pixels[i + 1], pixels[i + 2]) > 150) bright++;
            if (bright < 40) blank.push(card.id);
        }
        return blank;
    }""", png)


def test_a_full_page_capture_shows_every_card(browser, site):
    tab = open_gallery(browser, site, width=520)
    tab.select_option("#family", "orbit")
    tab.wait_for_selector("body[data-all-drawn]", timeout=ALL_DRAWN_TIMEOUT_MS)
    settle(tab)
    height = tab.evaluate("() => document.documentElement.scrollHeight")
    assert height > 3 * 1000, "the filtered page must reach far below the first screen"
    png = tab.screenshot(path=str(ARTIFACTS / "gallery_full_page_orbit.png"), full_page=True)
    assert blank_cards(tab, base64.b64encode(png).decode("ascii")) == []
    assert not tab.errors
    tab.close()


def test_printing_draws_the_cards_idle_time_has_not_reached(browser, site):
    tab = open_gallery(browser, site)
    undrawn = tab.evaluate("() => gallery.undrawn")
    tab.evaluate("() => window.dispatchEvent(new Event('beforeprint'))")
    # Whatever was still to draw is now in the page as markup, painted at once.
    inline = tab.evaluate("() => document.querySelectorAll('.card svg.picture').length")
    assert undrawn > 0 and inline >= undrawn - 1
    assert tab.evaluate("() => document.querySelectorAll('.card .picture').length") == len(NAMES)
    assert not tab.errors
    tab.close()


def test_a_plain_headless_screenshot_shows_the_first_screen_drawn(browser, site, tmp_path):
    """`chromium --headless --screenshot` captures as soon as the page has loaded."""
    shot = tmp_path / "first_screen.png"
    subprocess.run([CHROMIUM, "--headless", "--no-sandbox", "--disable-gpu", f"--screenshot={shot}",
                    "--window-size=1400,2600", site.as_uri()], capture_output=True, timeout=120, check=True)
    tab = open_gallery(browser, site, height=2600)
    assert blank_cards(tab, base64.b64encode(shot.read_bytes()).decode("ascii")) == []
    tab.close()


def test_a_one_axis_card_says_which_axis_moves_when_its_words_name_another(page):
    notes = page.evaluate("""() => Object.fromEntries([...document.querySelectorAll('.card .axis-note')]
        .map(note => [note.closest('.card').id, note.textContent]))""")
    assert "sway" not in notes
    assert "moves its first axis, x" in notes["bounce"] and "\u201cvertical\u201d" in notes["bounce"]
    dimensions = {entry["name"]: entry["dimensions"] for entry in CATALOGUE}
    assert {dimensions[name] for name in notes} == {1}
