#!/usr/bin/env python3
"""jxl-import's HTML report in a real browser: headless Chromium, through scripts/chromium.

    html_report_browser.py JXL_IMPORT JXL_BENCH_GENERATE SOURCE_DIR SCRATCH_DIR

The DOM that Chromium builds from each page is read back: the plan's marks counted, the
tables' rows, hostile names found as text and not as elements. Where the browser laid the
plan out is measured by a copy of the page with a script added (the page itself has
none): no name runs past the plot's edges or over another, every name that has room is
written, and a point far from the rest leaves the others across the plan. Screenshots are
decoded and must show the plan's colours. A generated job shows the labels thinned and
the page growing with its items. Prints one line per check and ends with 'N passed, N
failed'.
"""
import html
import html.parser
import json
import os
import re
import struct
import subprocess
import sys
import zlib

TOOL, GENERATE, SOURCE, SCRATCH = sys.argv[1:5]
CHROMIUM = os.path.join(SOURCE, "scripts", "chromium")
results = {"passed": 0, "failed": 0}


def check(condition, what):
    results["passed" if condition else "failed"] += 1
    print(("ok     " if condition else "FAILED ") + what, flush=True)
    return condition


def report(args, name):
    """Runs jxl-import --format html in the source folder; the page's path and status."""
    path = os.path.join(SCRATCH, name)
    with open(path, "wb") as out:
        status = subprocess.run([TOOL, "--format", "html", *args], cwd=SOURCE, stdout=out,
                                stderr=subprocess.DEVNULL).returncode
    return path, status


def dump_dom(page):
    return subprocess.run([CHROMIUM, "dump-dom", page], check=True, capture_output=True).stdout.decode("utf-8")


def screenshot(page, name, size="1000,1100"):
    png = os.path.join(SCRATCH, name)
    if os.path.exists(png):
        os.remove(png)
    subprocess.run([CHROMIUM, "screenshot", page, png, size], check=True)
    return png


class Dom(html.parser.HTMLParser):
    """What the checks read from a DOM: start tags, the plan's paths, and each text with
    the classes of the elements around it, innermost first."""

    EMPTY = {"col", "meta", "path", "rect", "br", "img", "input", "link", "hr"}

    def __init__(self, text):
        super().__init__(convert_charrefs=True)
        self.tags = []
        self.paths = {}  # class -> (stated count, d)
        self.texts = []  # (tag, [(tag, class) of it and its ancestors, innermost first], text)
        self.stack = []
        self.feed(text)

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        self.tags.append(tag)
        if tag == "path" and "data-marks" in attrs:
            self.paths[attrs.get("class", "")] = (int(attrs["data-marks"]), attrs.get("d", ""))
        if tag not in self.EMPTY:
            self.stack.append((tag, attrs.get("class") or ""))

    def handle_endtag(self, tag):
        if tag not in self.EMPTY:  # the browser closes a path as </path>
            while self.stack:
                if self.stack.pop()[0] == tag:
                    break

    def handle_data(self, data):
        if self.stack and data.strip():
            self.texts.append((self.stack[-1][0], self.stack[::-1], data))

    def within(self, tag, css_class):
        """The texts of `tag` elements inside an element whose class holds `css_class`."""
        return [text for inner, around, text in self.texts
                if inner == tag and any(css_class in cls.split() for _, cls in around)]

    def marks(self, css_class):
        stated, d = self.paths.get(css_class, (0, ""))
        drawn = d.count("M")
        check(drawn == stated, f"the {css_class!r} path draws the {stated} marks it states")
        return drawn

    def labels(self):
        return self.within("text", "labels")


def pixels(png_path):
    """The RGB pixels of an 8-bit, non-interlaced PNG, as Chromium writes its screenshots."""
    data = open(png_path, "rb").read()
    assert data[:8] == b"\x89PNG\r\n\x1a\n", "not a PNG"
    at, idat = 8, b""
    while at < len(data):
        length, kind = struct.unpack(">I4s", data[at:at + 8])
        chunk = data[at + 8:at + 8 + length]
        if kind == b"IHDR":
            width, height, depth, colour, _, _, interlace = struct.unpack(">IIBBBBB", chunk)
            assert depth == 8 and colour in (2, 6) and interlace == 0, "unexpected PNG kind"
        elif kind == b"IDAT":
            idat += chunk
        at += 12 + length
    channels = 3 if colour == 2 else 4
    raw = zlib.decompress(idat)
    stride = width * channels
    rows, previous = [], bytearray(stride)
    for y in range(height):
        kind = raw[y * (stride + 1)]
        row = bytearray(raw[y * (stride + 1) + 1:(y + 1) * (stride + 1)])
        for x in range(stride):
            left = row[x - channels] if x >= channels else 0
            up = previous[x]
            corner = previous[x - channels] if x >= channels else 0
            if kind == 1:
                row[x] = (row[x] + left) & 255
            elif kind == 2:
                row[x] = (row[x] + up) & 255
            elif kind == 3:
                row[x] = (row[x] + (left + up) // 2) & 255
            elif kind == 4:
                p = left + up - corner
                pa, pb, pc = abs(p - left), abs(p - up), abs(p - corner)
                row[x] = (row[x] + (left if pa <= pb and pa <= pc else up if pb <= pc else corner)) & 255
        rows.append(row)
        previous = row
    return width, height, [tuple(row[x:x + 3]) for row in rows for x in range(0, stride, channels)]


def near(target, tolerance=40):
    """Pixels of about this colour."""
    return lambda colour: all(abs(a - b) <= tolerance for a, b in zip(colour, target))


def bluish(colour):
    """Blue rays, faint ones too, over the light paper."""
    red, green, blue = colour
    return blue >= red + 40 and blue >= green + 15


# Added to a copy of a page: for each plan, the boxes the browser gave its paper, its
# names and its kinds of marks, in the plan's own pixels, the names' halos and the caption.
MEASURE = """<script>
const plans = [...document.querySelectorAll('svg.plan')].map(svg => {
  const box = e => { const b = e.getBBox(); return [b.x, b.y, b.x + b.width, b.y + b.height]; };
  const marks = {};
  svg.querySelectorAll('path[data-marks]').forEach(p => { marks[p.getAttribute('class')] = box(p); });
  return {paper: box(svg.querySelector('rect.paper')), marks: marks,
          paperFill: getComputedStyle(svg.querySelector('rect.paper')).fill,
          labels: [...svg.querySelectorAll('.labels text')].map(t => {
            const style = getComputedStyle(t);
            return {name: t.firstChild.textContent, box: box(t), arrow: !!t.querySelector('.distance'),
                    halo: [style.paintOrder, style.stroke, parseFloat(style.strokeWidth)]};
          }),
          caption: svg.parentElement.querySelector('figcaption').textContent};
});
const out = document.createElement('pre');
out.id = 'measured';
out.textContent = JSON.stringify(plans);
document.body.appendChild(out);
</script>"""


def measure(page):
    """The plans of a page as the browser laid them out."""
    measured = page[:-len(".html")] + "-measured.html"
    with open(page, encoding="utf-8") as source, open(measured, "w", encoding="utf-8") as out:
        out.write(source.read().replace("</body>", MEASURE + "</body>"))
    found = re.search(r'<pre id="measured">(.*?)</pre>', dump_dom(measured), re.S)
    return json.loads(html.unescape(found.group(1))) if found else []


def inside(box, frame, slack=0.5):
    return (box[0] >= frame[0] - slack and box[1] >= frame[1] - slack and box[2] <= frame[2] + slack and
            box[3] <= frame[3] + slack)


def overlap(a, b, slack=0.5):
    return a[0] < b[2] - slack and b[0] < a[2] - slack and a[1] < b[3] - slack and b[1] < a[3] - slack


def check_names(name, plans):
    """Every name on its plot, none over another, each with a halo that keeps it readable
    over rays and marks, and as many as the caption says."""
    check(len(plans) > 0, f"{name}: the plan measured in the browser")
    for plan in plans:
        labels = plan["labels"]
        outside = [label["name"] for label in labels if not inside(label["box"], plan["paper"])]
        check(not outside, f"{name}: no name runs past the plot's edges {outside}")
        covering = [(a["name"], b["name"]) for i, a in enumerate(labels) for b in labels[i + 1:]
                    if overlap(a["box"], b["box"])]
        check(not covering, f"{name}: no name over another {covering[:5]}")
        bare = [label["name"] for label in labels
                if not (label["halo"][0].startswith("stroke") and label["halo"][1] == plan["paperFill"] and
                        label["halo"][2] >= 2)]
        check(not bare, f"{name}: every name has a halo of the paper's colour under it {bare[:5]}")
        count = sum(names_in(label) for label in labels)
        written = re.search(r"(\d+) of (\d+) names written", plan["caption"])
        check("Every point is named" in plan["caption"] or (written and int(written.group(1)) == count),
              f"{name}: the caption counts the {count} names written")


def names_in(label):
    """An arrow's label names the points of the arrows close together: "A, B and 3 more"."""
    if not label["arrow"]:
        return 1
    parts = label["name"].split(", ")
    more = re.search(r" and (\d+) more$", parts[-1])
    return len(parts) + (int(more.group(1)) if more else 0)


def check_screenshot(png, name, colours):
    width, height, rgb = pixels(png)
    check((width, height) == (1000, 1100), f"{name}: the screenshot is 1000 by 1100")
    inked = sum(1 for colour in rgb if colour != (255, 255, 255))
    check(inked > len(rgb) // 50, f"{name}: the screenshot is not blank ({inked} of {len(rgb)} pixels not white)")
    for what, matches, least in colours:
        found = sum(1 for colour in rgb if matches(colour))
        check(found >= least, f"{name}: {what} drawn ({found} pixels of their colour)")


def traverse():
    page, status = report(["examples/traverse.jxl"], "traverse.html")
    check(status == 0, "traverse: jxl-import exits with 0")
    dom = Dom(dump_dom(page))
    check("svg" in dom.tags, "traverse: the page has its plan")
    check(dom.marks("points") + dom.marks("keyed-in") == 7, "traverse: 7 points on the plan")
    check(dom.marks("keyed-in") == 2, "traverse: 2 of them keyed in")
    check(dom.marks("stations") == 2, "traverse: both stations on the plan")
    check(dom.marks("rays") == 4, "traverse: 4 lines to foresights")
    check(dom.marks("rays backsight") == 2, "traverse: 2 lines to backsights")
    labels = dom.labels()
    check(sorted(set(labels)) == sorted(["CP1", "CP2", "T1", "T2", "1001", "1002", "1003"]),
          f"traverse: every point named once: {labels}")
    kinds = dom.within("td", "station") + dom.within("td", "observation")
    check(kinds.count("station") == 2 and kinds.count("observation") == 11,
          "traverse: 2 stations and 11 observations in the table")
    check(len(dom.within("td", "point")) > 9 and dom.within("span", "outcome") == ["ok"],
          "traverse: the points in their table, the outcome ok")
    check_names("traverse", measure(page))
    check_screenshot(screenshot(page, "traverse.png"), "traverse", [
        ("rays", bluish, 60), ("backsight rays", near((0x7b, 0x3f, 0xb3)), 60),
        ("stations", near((0xc8, 0x1e, 0x1e)), 40), ("keyed-in points", near((0xd4, 0x6a, 0x00)), 30)])


def cyrillic():
    page, status = report(["examples/cyrillic-1251.jxl"], "cyrillic.html")
    check(status == 0, "cyrillic: jxl-import exits with 0")
    dom = Dom(dump_dom(page))
    texts = [text for _, _, text in dom.texts]
    check("ОП1" in dom.labels() and "Угол здания" in texts,
          "cyrillic: names and codes in Cyrillic, in the plan and the tables")
    check_names("cyrillic", measure(page))


def hostile():
    name = '<script>alert("x")</script>'
    job = os.path.join(SCRATCH, "hostile.jxl")
    with open(job, "w", encoding="utf-8") as out:
        out.write('<?xml version="1.0"?>\n<JOBFile><FieldBook>'
                  '<PointRecord><Name>&lt;script&gt;alert("x")&lt;/script&gt;</Name>'
                  "<Code>Tom &amp; Jerry's &lt;b&gt;</Code><Grid><North>1</North><East>2</East></Grid></PointRecord>"
                  '<PointRecord><Name>&quot;&amp;&apos;</Name><Grid><North>5</North><East>9</East></Grid></PointRecord>'
                  "</FieldBook><Reductions/></JOBFile>\n")
    page, status = report([job], "hostile.html")
    check(status == 0, "hostile: jxl-import exits with 0")
    dom = Dom(dump_dom(page))
    check("script" not in dom.tags and "b" not in dom.tags, "hostile: no script and no b element in the DOM")
    cells = dom.within("td", "t")
    check(name in cells, "hostile: the script name shown as text in the table")
    check("Tom & Jerry's <b>" in cells, "hostile: the code with & ' and <b> shown as text")
    check("\"&'" in cells and "\"&'" in dom.labels(), "hostile: quotes and ampersand as text in the table and the plan")


def field_book(records):
    return '<?xml version="1.0"?>\n<JOBFile><FieldBook>' + "".join(records) + "</FieldBook><Reductions/></JOBFile>\n"


def point(name, north, east, keyed_in=False):
    return (f"<PointRecord><Name>{name}</Name>" + ("<SurveyMethod>KeyedIn</SurveyMethod>" if keyed_in else "") +
            f"<Grid><North>{north}</North><East>{east}</East></Grid></PointRecord>")


def station(name, backsight, shots):
    return (f"<StationRecord><StationName>{name}</StationName></StationRecord>"
            f"<BackBearingRecord><BackSight>{backsight}</BackSight><Face1HorizontalCircle>0</Face1HorizontalCircle>"
            "</BackBearingRecord>" +
            "".join(f"<PointRecord><Name>{shot}</Name><Circle><HorizontalCircle>12</HorizontalCircle><VerticalCircle>90"
                    "</VerticalCircle><EDMDistance>25</EDMDistance><Face>Face1</Face></Circle></PointRecord>"
                    for shot in shots))


def job_page(name, document):
    job = os.path.join(SCRATCH, name + ".jxl")
    with open(job, "w", encoding="utf-8") as out:
        out.write(document)
    page, status = report([job], name + ".html")
    check(status == 0, f"{name}: jxl-import exits with 0")
    return page


def room():
    """Points with room for every name, long names at every edge: a station near the east
    end with its backsight due north and shots to the west, as a field traverse has it,
    and east of it a name a little too long for the room on its right."""
    points = [("EASTERN-STATION-300", 2000, 2000), ("NORTHERN-BACKSIGHT-101", 2041.7, 2000),
              ("WESTERN-102", 1974.9, 1847.3), ("SHOT-200", 1980.4, 1940.1), ("SOUTHERN-POINT-LONG-NAME", 1960, 1930),
              ("MIDDLE-1", 2010, 1900), ("MIDDLE-2", 2025, 1950), ("E-1234", 2020, 2010)]
    page = job_page("room", field_book(
        [station("EASTERN-STATION-300", "NORTHERN-BACKSIGHT-101", ["NORTHERN-BACKSIGHT-101", "WESTERN-102", "SHOT-200"])] +
        [point(name, north, east) for name, north, east in points]))
    plans = measure(page)
    check_names("room", plans)
    written = sorted(label["name"] for plan in plans for label in plan["labels"])
    check(written == sorted(name for name, _, _ in points), f"room: every name written: {written}")


def far_outlier():
    """Two hundred points over 300 by 200, a base station 35 km to the east and three
    control points 3 km to the north, close together."""
    points = [point(f"P{i}", 5000 + i // 20 * 20, 2000 + i % 20 * 15) for i in range(200)]
    far = [point("BASE", 5100, 37000, keyed_in=True)] + [point(f"N{i}", 8000 + 300 * i, 2100 + 20 * i) for i in range(3)]
    page = job_page("far", field_book(points + far))
    plans = measure(page)
    check_names("far", plans)
    if not plans:
        return
    plan = plans[0]
    paper, bulk, arrow = plan["paper"], plan["marks"].get("points"), plan["marks"].get("off-plan")
    across = max((bulk[2] - bulk[0]) / (paper[2] - paper[0]), (bulk[3] - bulk[1]) / (paper[3] - paper[1])) if bulk else 0
    check(across > 0.8, f"far: the bulk's marks span {across:.0%} of the plan")
    check(arrow is not None and inside(arrow, paper), "far: the far points arrows on the plan")
    arrows = sorted(label["name"] for label in plan["labels"] if label["arrow"])
    check(arrows == ["BASE", "N0, N1, N2"], f"far: the far points named, the three close together on one label: {arrows}")


def large_job():
    sizes = {}
    for megabytes in ("1", "4"):
        job = os.path.join(SCRATCH, f"job{megabytes}.jxl")
        subprocess.run([GENERATE, megabytes, job], check=True, stdout=subprocess.DEVNULL)
        csv = subprocess.run([TOOL, "--format", "csv", job], check=True, capture_output=True).stdout
        page, status = report([job], f"job{megabytes}.html")
        check(status == 0, f"{megabytes} MB job: jxl-import exits with 0")
        sizes[megabytes] = (os.path.getsize(page), csv.count(b"\n") - 1)
    (small, small_items), (large, large_items) = sizes["1"], sizes["4"]
    ratio = (large / large_items) / (small / small_items)
    check(0.9 < ratio < 1.1, f"the page grows with the items: {small} bytes for {small_items} items, "
                             f"{large} for {large_items} ({ratio:.3f} of the bytes per item)")

    dom = Dom(dump_dom(page))
    points = dom.marks("points") + dom.marks("keyed-in")
    labels = dom.labels()
    check(0 < len(labels) < points // 4, f"4 MB job: names thinned: {len(labels)} for {points} points")
    legend = " ".join(dom.within("li", "legend"))
    counted = [int(n) for n in re.findall(r"(\d+) (?:foresights|backsights)", legend)]
    check(len(counted) == 2 and dom.marks("rays") + dom.marks("rays backsight") == sum(counted) > points // 2,
          f"4 MB job: every line the legend counts drawn: {legend}")
    check_names("4 MB job", measure(page))
    check_screenshot(screenshot(page, "job4.png"), "4 MB job", [
        ("rays", bluish, 5000), ("stations", near((0xc8, 0x1e, 0x1e)), 200)])


def main():
    os.makedirs(SCRATCH, exist_ok=True)
    for part in (traverse, cyrillic, hostile, room, far_outlier, large_job):
        try:
            part()
        except Exception as error:  # one part's failure leaves the others to run
            check(False, f"{part.__name__}: {type(error).__name__}: {error}")
    print(f"{results['passed']} passed, {results['failed']} failed")
    return 1 if results["failed"] or not results["passed"] else 0


if __name__ == "__main__":
    sys.exit(main())
