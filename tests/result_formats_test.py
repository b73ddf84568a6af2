# SPDX-License-Identifier: Apache-2.0
"""The result formats as the program writes them (--format): the blocks of the
plain result file in the same order, the image's name escaped, UTF-8 and well
formed whatever the name, valid against the schemas the project keeps, and the
same failure handling as the plain file. Run by CTest with pytest."""
import json
import os
import re
import resource
import subprocess
import xml.etree.ElementTree as ET

import pytest

PAGECUT = os.environ["PAGECUT_EXECUTABLE"]
SAMPLE_PAGE = os.environ["PAGECUT_MAKE_SAMPLE_PAGE"]
SCHEMAS = os.path.join(os.path.dirname(os.path.abspath(__file__)), "schemas")

# Special to XML, HTML, JSON and hOCR quoting; non-ASCII; bytes that are not
# UTF-8 (a stray byte, an encoded surrogate, a cut sequence); control
# characters, of which XML can hold only tab and line end.
NAME = b'p&<>"\'\\ \xc3\xa9\xe6\x96\x87\xf0\x9f\x93\x84 \xff\xed\xa0\x80\x01\t\n\xe2\x82.png'


def xml_text(text):
    return re.sub("[\x00-\x08\x0b\x0c\x0e-\x1f\ufffe\uffff]", "\ufffd", text)


def page_ns(tag):
    return "{http://schema.primaresearch.org/PAGE/gts/pagecontent/2019-07-15}" + tag


def alto_ns(tag):
    return "{http://www.loc.gov/standards/alto/ns-v4#}" + tag


# Each reader gives (image name, width, height, blocks as (x, y, w, h)).
def read_json(path):
    with open(path, encoding="utf-8") as f:
        doc = json.load(f)
    blocks = [(b["x"], b["y"], b["width"], b["height"]) for b in doc["blocks"]]
    return doc["image"], doc["width"], doc["height"], blocks


def read_page(path):
    page = ET.parse(path).getroot().find(page_ns("Page"))
    width, height = int(page.get("imageWidth")), int(page.get("imageHeight"))
    regions = {}
    for region in page.iter(page_ns("TextRegion")):
        p = [tuple(map(int, xy.split(","))) for xy in region.find(page_ns("Coords")).get("points").split()]
        assert p[1] == (p[2][0], p[0][1]) and p[3] == (p[0][0], p[2][1]), "a rectangle"
        # Points are pixels of the block: the last column and row are inclusive.
        assert all(0 <= x < width and 0 <= y < height for x, y in p), "points on the image"
        regions[region.get("id")] = (p[0][0], p[0][1], p[2][0] - p[0][0] + 1, p[2][1] - p[0][1] + 1)
    refs = sorted((int(r.get("index")), r.get("regionRef")) for r in page.iter(page_ns("RegionRefIndexed")))
    assert [ref for _, ref in refs] == list(regions), "reading order = document order"
    blocks = [regions[ref] for _, ref in refs]
    return page.get("imageFilename"), width, height, blocks


def read_alto(path):
    root = ET.parse(path).getroot()
    name = root.find(f"{alto_ns('Description')}/{alto_ns('sourceImageInformation')}/{alto_ns('fileName')}").text
    page = root.find(f"{alto_ns('Layout')}/{alto_ns('Page')}")
    size = [int(page.get(a)) for a in ("WIDTH", "HEIGHT")]
    blocks = [tuple(int(b.get(a)) for a in ("HPOS", "VPOS", "WIDTH", "HEIGHT"))
              for b in page.find(alto_ns("PrintSpace")).iter(alto_ns("TextBlock"))]
    assert root.find(f"{alto_ns('Description')}/{alto_ns('MeasurementUnit')}").text == "pixel"
    return name, size[0], size[1], blocks


def hocr_box(title):
    x0, y0, x1, y1 = map(int, re.search(r"bbox (\d+) (\d+) (\d+) (\d+)", title).groups())
    return x0, y0, x1 - x0, y1 - y0


def read_hocr(path):
    root = ET.parse(path).getroot()
    divs = list(root.iter("{http://www.w3.org/1999/xhtml}div"))
    pages = [d for d in divs if d.get("class") == "ocr_page"]
    assert len(pages) == 1
    quoted = re.match(r'image "((?:[^"\\]|\\.)*)"; ', pages[0].get("title")).group(1)
    name = re.sub(r"\\(.)", r"\1", quoted, flags=re.S)
    assert root.find("{http://www.w3.org/1999/xhtml}head/{http://www.w3.org/1999/xhtml}title").text == name
    _, _, width, height = hocr_box(pages[0].get("title"))
    blocks = [hocr_box(d.get("title")) for d in pages[0] if d.get("class") == "ocr_carea"]
    return name, width, height, blocks


FORMATS = {  # name: (extension, reader, expected name from bytes, schema)
    "json": (".json", read_json, lambda b: b.decode("utf-8", "replace"), None),
    "page": (".page.xml", read_page, lambda b: xml_text(b.decode("utf-8", "replace")),
             "pagecontent-2019-07-15.xsd"),
    "alto": (".alto.xml", read_alto, lambda b: xml_text(b.decode("utf-8", "replace")), "alto-4-4.xsd"),
    "hocr": (".hocr", read_hocr, lambda b: xml_text(b.decode("utf-8", "replace")), None),
}


def run(*args, **kwargs):
    return subprocess.run([PAGECUT, *args], capture_output=True, **kwargs)


@pytest.fixture(scope="module")
def pages(tmp_path_factory):
    """The sample page under NAME with its plain result, and a page without blocks."""
    folder = tmp_path_factory.mktemp("pages")
    sample = os.path.join(os.fsencode(folder), NAME)
    subprocess.run([SAMPLE_PAGE, os.path.join(folder, "sample.png")], check=True)
    os.rename(os.path.join(folder, "sample.png"), sample)
    plain = os.path.join(folder, "plain.txt")
    assert run(sample, "0", "0", "0", "0", f"{folder}/", plain).returncode == 0
    with open(plain) as f:
        blocks = [tuple(map(int, line.split())) for line in f]
    # A rule 30 pixels wide on a page 4 pixels high: no block at all.
    empty = os.path.join(folder, "empty.pgm")
    with open(empty, "wb") as f:
        f.write(b"P5\n30 4\n255\n" + b"\xff" * 30 + b"\xff\xff" + b"\0" * 26 + b"\xff" * 62)
    return {"folder": folder, "sample": (sample, 1240, 1754, blocks), "empty": (os.fsencode(empty), 30, 4, [])}


@pytest.mark.parametrize("which", ["sample", "empty"])
@pytest.mark.parametrize("format_name", FORMATS)
def test_format_carries_the_blocks_and_the_escaped_name(pages, format_name, which):
    extension, read, expected_name, schema = FORMATS[format_name]
    image, width, height, blocks = pages[which]
    assert which == "empty" or len(blocks) > 10
    save = os.fsencode(pages["folder"]) + b"/"
    r = run(f"--format={format_name}", image, "0", "0", "0", "0", save, "")
    assert (r.returncode, r.stdout, r.stderr) == (0, b"", b"")
    # The default name ends in the format's extension (a backslash, too,
    # separates folder and file name).
    result = save + b"res_" + re.split(rb"[\\/]", image)[-1] + extension.encode()
    with open(result, "rb") as f:
        f.read().decode("utf-8")  # strict: the file is UTF-8
    assert read(result) == (expected_name(image), width, height, blocks)
    command = ["xmllint", "--noout", "--nonet"]
    if schema:
        command += ["--schema", os.path.join(SCHEMAS, schema)]
    if format_name != "json":
        check = subprocess.run(command + [result], capture_output=True)
        assert check.returncode == 0, check.stderr.decode(errors="replace")


def limit_file_size():
    resource.setrlimit(resource.RLIMIT_FSIZE, (256, 256))


@pytest.mark.parametrize("format_name", ["txt", *FORMATS])
def test_result_file_not_written_is_code_7_and_leaves_no_partial_file(pages, format_name):
    image = pages["sample"][0]
    for log, limit in ((os.path.join(pages["folder"], "partial"), limit_file_size), ("/dev/full", None)):
        r = run("--format", format_name, image, "0", "0", "0", "0", "/nowhere/", log, preexec_fn=limit)
        assert (r.returncode, r.stdout) == (7, b"")
        assert r.stderr == f"\nCould not write result file {log}\n".encode()
        assert log == "/dev/full" or not os.path.exists(log)
    assert not [name for name in os.listdir(pages["folder"]) if "partial" in name]  # nor a hidden part


def test_page_results_with_one_source_date_epoch_are_byte_identical(pages):
    image = pages["sample"][0]
    environment = dict(os.environ, SOURCE_DATE_EPOCH="1700000000")
    results = []
    for k in range(2):
        log = os.path.join(pages["folder"], f"dated{k}.page.xml")
        assert run("--format=page", image, "0", "0", "0", "0", "/nowhere/", log, env=environment).returncode == 0
        with open(log, "rb") as f:
            results.append(f.read())
    assert results[0] == results[1]
    metadata = ET.fromstring(results[0]).find(page_ns("Metadata"))
    stamps = [metadata.find(page_ns(tag)).text for tag in ("Created", "LastChange")]
    assert stamps == ["2023-11-14T22:13:20Z"] * 2


TYPES = {"paragraph", "heading", "caption", "table", "image", "separator", "maths", "footnote",
         "marginalia", "header", "page-number", "catch-word", "signature-mark"}


def typed_blocks(format_name, path):
    """(type, box, line boxes) of each block of a paragraph-mode result."""
    root = json.load(open(path)) if format_name == "json" else ET.parse(path).getroot()
    if format_name == "json":
        return [(b["type"], (b["x"], b["y"], b["width"], b["height"]),
                 [(l["x"], l["y"], l["width"], l["height"]) for l in b["lines"]]) for b in root["blocks"]]
    if format_name == "page":
        def box(element):
            p = [tuple(map(int, xy.split(","))) for xy in element.find(page_ns("Coords")).get("points").split()]
            xs, ys = [x for x, _ in p], [y for _, y in p]
            return (min(xs), min(ys), max(xs) - min(xs) + 1, max(ys) - min(ys) + 1)
        kinds = {"TableRegion": "table", "ImageRegion": "image", "SeparatorRegion": "separator",
                 "MathsRegion": "maths"}
        page = root.find(page_ns("Page"))
        return [(region.get("type") or kinds[region.tag.split("}")[1]], box(region),
                 [box(line) for line in region.iter(page_ns("TextLine"))])
                for region in page if region.tag.split("}")[1].endswith("Region")]
    if format_name == "alto":
        labels = {t.get("ID"): t.get("LABEL") for t in root.iter(alto_ns("StructureTag"))}
        def box(e):
            return tuple(int(e.get(k)) for k in ("HPOS", "VPOS", "WIDTH", "HEIGHT"))
        space = root.find(f"{alto_ns('Layout')}/{alto_ns('Page')}/{alto_ns('PrintSpace')}")
        return [(labels[b.get("TAGREFS")], box(b), [box(l) for l in b.iter(alto_ns("TextLine"))]) for b in space]
    x = "{http://www.w3.org/1999/xhtml}"
    page = [d for d in root.iter(x + "div") if d.get("class") == "ocr_page"][0]
    return [(d.get("class"), hocr_box(d.get("title")), [hocr_box(s.get("title")) for s in d.iter(x + "span")])
            for d in page]


@pytest.mark.parametrize("format_name", FORMATS)
def test_paragraph_mode_types_every_block_and_gives_its_lines(pages, format_name):
    image = pages["sample"][0]
    folder = pages["folder"]
    extension, _, _, schema = FORMATS[format_name]
    plain, result = f"{folder}/typed.txt", f"{folder}/typed{extension}"
    assert run("--paragraphs", image, "0", "0", "0", "0", f"{folder}/", plain).returncode == 0
    r = run("--paragraphs", f"--format={format_name}", image, "0", "0", "0", "0", f"{folder}/", result)
    assert (r.returncode, r.stderr) == (0, b"")
    blocks = typed_blocks(format_name, result)
    with open(plain) as f:
        text = [tuple(map(int, line.split())) for line in f]
    assert len(text) > 5
    # txt lists the blocks of text, in the same order as the typed formats.
    assert [b for t, b, _ in blocks if t not in ("image", "separator", "ocr_photo", "ocr_separator")] == text
    for kind, (x, y, w, h), lines in blocks:
        assert kind in TYPES or kind.startswith("ocr_")
        for lx, ly, lw, lh in lines:
            assert x <= lx and y <= ly and lx + lw <= x + w and ly + lh <= y + h
    assert sum(len(lines) for _, _, lines in blocks) >= len(text)
    if format_name == "json":
        assert json.load(open(result))["skew"] == 0
    if schema:
        check = subprocess.run(["xmllint", "--noout", "--nonet", "--schema", os.path.join(SCHEMAS, schema), result],
                               capture_output=True)
        assert check.returncode == 0, check.stderr.decode(errors="replace")
