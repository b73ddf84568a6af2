# SPDX-License-Identifier: Apache-2.0
"""The Python module pagecut: the program's blocks for arrays and files, the
program's faults as Python exceptions, threads that divide pages at once with
their own table setting, and a Dask cluster. Run by CTest with pytest."""
import concurrent.futures
import os
import pathlib
import pickle
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import pagecut

PAGECUT = os.environ["PAGECUT_EXECUTABLE"]
SAMPLE_PAGE = os.environ["PAGECUT_MAKE_SAMPLE_PAGE"]


def write_pnm(path, page):
    """PGM for a grey page, PPM (red first on disk) for a BGR one."""
    magic, data = (b"P5", page) if page.ndim == 2 else (b"P6", page[:, :, ::-1])
    with open(path, "wb") as f:
        f.write(b"%s\n%d %d\n255\n" % (magic, page.shape[1], page.shape[0]))
        f.write(np.ascontiguousarray(data).tobytes())


def program_blocks(path, box=(0, 0, 0, 0), table_logic=1, paragraphs=False):
    result = f"{path}.txt"
    options = ["--paragraphs"] if paragraphs else []
    subprocess.run([PAGECUT, *options, path, *map(str, box), "./", result, str(table_logic)],
                   check=True)
    with open(result) as f:
        return [tuple(map(int, line.split())) for line in f]


def table_page():
    """A framed table with two heading lines, a rule and a tall last strip,
    whose first block the table setting changes."""
    page = np.full((140, 140), 255, np.uint8)
    page[16:18, 16:124] = page[122:124, 16:124] = page[16:124, 16:18] = page[16:124, 122:124] = 0
    page[40:42, 16:124] = 0
    for y in (22, 30, *range(71, 115, 14)):
        for x in range(25, 25 + (35 if y < 40 else 60), 8):
            page[y:y + 6, x:x + 6] = 0
    return page


@pytest.fixture(scope="module")
def pages(tmp_path_factory):
    """Pages as arrays with their files: the sample page (grey and in
    colour), the table page, and a page without blocks."""
    folder = tmp_path_factory.mktemp("pages")
    sample = str(folder / "sample.pgm")
    subprocess.run([SAMPLE_PAGE, sample], check=True)
    with open(sample, "rb") as f:
        data = f.read()
    grey = np.frombuffer(data[-1240 * 1754:], np.uint8).reshape(1754, 1240)
    # Ink in colours, and pale pixels that are white (254, 255, 255) or ink
    # (250, 250, 250) once converted to grey.
    colour = np.stack([grey, np.maximum(grey, 90), np.where(grey < 255, 200, 255)], axis=2)
    colour = colour.astype(np.uint8)
    colour[1680:1700, 100:300] = (254, 255, 255)
    colour[1700:1710, 400:500] = (250, 250, 250)
    empty = np.full((4, 30), 255, np.uint8)
    empty[1, 2:28] = 0  # a rule: no block
    arrays = {"sample": grey, "colour": colour, "table": table_page(), "empty": empty}
    files = {}
    for name, array in arrays.items():
        files[name] = str(folder / f"{name}.{'ppm' if array.ndim == 3 else 'pgm'}")
        write_pnm(files[name], array)
    return arrays, files


CASES = [  # page, box, table setting
    ("sample", (0, 0, 0, 0), 1),
    ("sample", (100, 200, 1100, 1500), 2),
    ("colour", (0, 0, 0, 0), 1),
    ("table", (0, 0, 0, 0), 1),
    ("table", (0, 0, 0, 0), 2),
    ("empty", (0, 0, 0, 0), 1),
]


@pytest.mark.parametrize("name, box, table_logic", CASES)
def test_arrays_and_files_give_the_programs_blocks(pages, name, box, table_logic):
    arrays, files = pages
    expected = program_blocks(files[name], box, table_logic)
    assert name == "empty" or len(expected) > 1
    assert pagecut.cut(arrays[name], box, table_logic) == expected
    assert pagecut.cut_file(files[name], box=box, table_logic=table_logic) == expected
    # Strided and Fortran-ordered arrays, numpy integers in the box, read-only arrays.
    array = arrays[name]
    wide = np.zeros((array.shape[0], array.shape[1] * 2, *array.shape[2:]), np.uint8)
    wide[:, ::2] = array
    assert pagecut.cut(wide[:, ::2], box=tuple(np.int64(v) for v in box), table_logic=table_logic) == expected
    assert pagecut.cut(np.asfortranarray(array), list(box), table_logic) == expected
    assert pagecut.cut_file(pathlib.Path(files[name]).as_posix().encode(), box, table_logic) == expected


@pytest.mark.parametrize("name", ["sample", "colour"])
def test_paragraphs_give_the_programs_paragraph_blocks(pages, name):
    arrays, files = pages
    expected = program_blocks(files[name], paragraphs=True)
    assert expected and expected != program_blocks(files[name])
    assert pagecut.cut(arrays[name], paragraphs=True) == expected
    assert pagecut.cut_file(files[name], paragraphs=True) == expected
    # The layout holds the same blocks of text, typed and with their lines.
    page = pagecut.cut_file(files[name], paragraphs=True, layout=True)
    text = [b for b in page["blocks"] if b["type"] not in ("image", "separator")]
    assert [(b["x"], b["y"], b["width"], b["height"]) for b in text] == expected
    assert all(len(b["polygon"]) == 4 and b["lines"] for b in text)


def test_table_setting_matters_on_the_table_page(pages):
    _, files = pages
    assert program_blocks(files["table"], table_logic=1) != program_blocks(files["table"], table_logic=2)


BOX_OUTSIDE = "Box coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 exceed the size of INPUT_IMAGE."
GREY = np.full((40, 60), 255, np.uint8)
FAULTS = [  # arguments of cut, exception, message
    ((GREY.astype(np.float64),), TypeError, "image should be an array of uint8. Got dtype float64 instead."),
    (([[255]],), TypeError, "image should be a numpy array of uint8. Got list instead."),
    ((GREY[0],), ValueError, "image should be 2-D (greyscale) or 3-D with 3 channels (BGR; also 1, or 4 "
     "for BGRA). Got shape (60,) instead."),
    ((np.zeros((4, 4, 2), np.uint8),), ValueError, "image should be 2-D (greyscale) or 3-D with 3 channels "
     "(BGR; also 1, or 4 for BGRA). Got shape (4, 4, 2) instead."),
    ((GREY[:0],), ValueError, "image should have between 1 and 2147483647 rows and columns. Got shape "
     "(0, 60) instead."),
    ((GREY, (0, 0, 60, 39)), ValueError, BOX_OUTSIDE),  # right edge on the last column or beyond
    ((GREY, (10, 0, 10, 39)), ValueError, BOX_OUTSIDE),  # empty
    ((GREY, (0, 0, -1, 39)), ValueError, "Box coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 should be ints. Got -1 instead."),
    ((GREY, (0, 0, 2**31, 39)), ValueError,
     "Box coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 should be ints. Got 2147483648 instead."),
    ((GREY, (0, 0, 1.5, 39)), TypeError, "Box coordinates BB_X0 BB_Y0 BB_X1 BB_Y1 should be ints. Got 1.5 instead."),
    ((GREY, (0, 0, 0)), TypeError, "box should be a sequence of four ints (BB_X0, BB_Y0, BB_X1, BB_Y1). "
     "Got (0, 0, 0) instead."),
    ((GREY, (0, 0, 0, 0), 3), ValueError, "TABLE_LOGIC should be an int in (1, 2). Got 3 instead."),
    ((GREY, (0, 0, 0, 0), "2"), TypeError, "TABLE_LOGIC should be an int in (1, 2). Got '2' instead."),
    ((GREY, (0, 0, 0, 0), 1, True, float("nan")), ValueError,
     "skew should be None or a number of degrees between -45 and 45. Got nan instead."),
    ((GREY, (0, 0, 0, 0), 1, True, 46), ValueError,
     "skew should be None or a number of degrees between -45 and 45. Got 46 instead."),
    ((GREY, (0, 0, 0, 0), 1, True, "1"), TypeError,
     "skew should be None or a number of degrees between -45 and 45. Got '1' instead."),
    ((GREY, (0, 0, 0, 0), 1, False, None, True), ValueError,
     "layout=True needs paragraphs=True: only the paragraph mode types its blocks."),
]


@pytest.mark.parametrize("args, error, message", FAULTS)
def test_faults_raise_in_the_programs_words(args, error, message):
    with pytest.raises(error) as raised:
        pagecut.cut(*args)
    assert str(raised.value) == message


class BytesPath:
    """An os.PathLike that gives bytes."""

    def __init__(self, path):
        self.path = os.fsencode(path)

    def __fspath__(self):
        return self.path


def test_paths_are_taken_as_open_takes_them_and_unreadable_files_raise_oserror(pages, tmp_path):
    _, files = pages
    expected = program_blocks(files["table"])
    for path in (files["table"], os.fsencode(files["table"]), pathlib.Path(files["table"]),
                 BytesPath(files["table"])):
        assert pagecut.cut_file(path) == expected
    # A NUL would cut the name short, here to a file that can be read.
    for path in (files["table"] + "\0.png", os.fsencode(files["table"]) + b"\0.png"):
        with pytest.raises(ValueError, match="^embedded null byte$"):
            pagecut.cut_file(path)
    (tmp_path / "text.png").write_text("not an image")
    odd = os.fsencode(tmp_path) + b"/\xff\xe9.png"  # not UTF-8: shown as escapes
    for path, error, shown in ((tmp_path / "missing.png", FileNotFoundError, tmp_path / "missing.png"),
                               (tmp_path / "text.png", OSError, tmp_path / "text.png"),
                               (tmp_path, OSError, tmp_path),
                               (odd, FileNotFoundError, f"{tmp_path}/\\xff\\xe9.png")):
        with pytest.raises(error) as raised:
            pagecut.cut_file(path)
        assert str(raised.value) == f"Could not open or find INPUT_IMAGE {shown}"
    with pytest.raises(ValueError, match="^Box coordinates"):
        pagecut.cut_file(str(tmp_path / "missing.png"), box=(0, 0, -5, 0))


# Fills memory up to a little above what the process holds, then divides a
# page whose working copy does not fit.
ADDRESS_SPACE_SCRIPT = """
import resource, numpy as np, pagecut
page = np.full((6000, 6000), 255, np.uint8)
page[100:200, 100:5000] = 0
with open("/proc/self/status") as f:
    size = next(int(line.split()[1]) for line in f if line.startswith("VmSize:")) * 1024
resource.setrlimit(resource.RLIMIT_AS, (size + (16 << 20), resource.RLIM_INFINITY))
try:
    pagecut.cut(page)
except Exception as error:
    print(type(error).__name__)
"""


def test_allocations_that_fail_raise_memoryerror():
    # A strided view of a petabyte: its contiguous copy cannot be made.
    with pytest.raises(MemoryError):
        pagecut.cut(np.broadcast_to(np.uint8(255), (1 << 30, 1 << 20)))
    # The library's own allocations, under an address-space limit in a child.
    child = subprocess.run([sys.executable, "-c", ADDRESS_SPACE_SCRIPT], capture_output=True, text=True)
    assert child.stdout == "MemoryError\n", child.stderr


# Another thread writes 2,000 lines straight to descriptor 2 while files, one
# of them a corrupt PNG that the codec complains about, are decoded.
STDERR_SCRIPT = """
import os, sys, threading, time, pagecut
def write_lines():
    for i in range(2000):
        os.write(2, b"line %d\\n" % i)
        time.sleep(0.0005)
writer = threading.Thread(target=write_lines)
writer.start()
for call in range(20):
    try:
        pagecut.cut_file(sys.argv[1 + call % 2])
    except OSError:
        pass
writer.join()
"""


def test_other_threads_writes_to_stderr_all_arrive_and_the_codec_stays_quiet(tmp_path):
    good, corrupt = str(tmp_path / "page.png"), str(tmp_path / "corrupt.png")
    subprocess.run([SAMPLE_PAGE, good], check=True)
    with open(good, "rb") as f:
        data = f.read()
    with open(corrupt, "wb") as f:
        f.write(data[:len(data) // 2])
    with open(tmp_path / "stderr", "w+b") as stderr:
        subprocess.run([sys.executable, "-c", STDERR_SCRIPT, good, corrupt], stderr=stderr, check=True)
        stderr.seek(0)
        lines = stderr.read().decode().splitlines()
    assert lines == [f"line {i}" for i in range(2000)]


def test_threads_divide_pages_at_once_each_with_its_own_table_setting(pages):
    arrays, files = pages
    jobs = [("table", 1), ("table", 2), ("sample", 2), ("colour", 1)] * 4
    expected = {job: program_blocks(files[job[0]], table_logic=job[1]) for job in set(jobs)}
    stderr = os.fstat(2)  # never redirected, not even for a moment
    with concurrent.futures.ThreadPoolExecutor(max_workers=4) as pool:
        results = list(pool.map(lambda job: pagecut.cut(arrays[job[0]], table_logic=job[1]), jobs))
        files_results = list(pool.map(lambda job: pagecut.cut_file(files[job[0]], table_logic=job[1]), jobs))
    assert results == files_results == [expected[job] for job in jobs]
    assert (os.fstat(2).st_dev, os.fstat(2).st_ino) == (stderr.st_dev, stderr.st_ino)


def test_the_gil_is_released_while_a_page_is_divided(pages):
    """A Python thread keeps counting while the main thread divides pages;
    with the GIL held it would stand still but for a few milliseconds."""
    page = np.tile(pages[0]["sample"], (3, 3))
    count, stop = [0], threading.Event()

    def counter():
        while not stop.is_set():
            count[0] += 1

    thread = threading.Thread(target=counter)
    thread.start()
    try:
        time.sleep(0.1)
        before, start = count[0], time.perf_counter()
        time.sleep(0.2)
        rate = (count[0] - before) / (time.perf_counter() - start)
        before, start = count[0], time.perf_counter()
        pagecut.cut(page, table_logic=2)
        counted, elapsed = count[0] - before, time.perf_counter() - start
    finally:
        stop.set()
        thread.join()
    assert counted > 0.25 * rate * elapsed, (counted, rate, elapsed)


def test_dask_cluster_of_worker_processes_divides_a_folder(pages):
    """The functions travel to the workers pickled, as to other machines."""
    import distributed  # Debian's python3-distributed

    assert pickle.loads(pickle.dumps(pagecut.cut_file)) is pagecut.cut_file
    _, files = pages
    paths = [files[name] for name in ("sample", "table", "colour", "empty")]
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True,
                                  dashboard_address=None) as cluster, distributed.Client(cluster) as client:
        futures = client.map(pagecut.cut_file, paths, table_logic=2)
        distributed.wait(futures, timeout=120)
        results = client.gather(futures)
    assert results == [program_blocks(path, table_logic=2) for path in paths]


def test_version_is_the_programs():
    version = subprocess.run([PAGECUT, "--version"], capture_output=True, text=True, check=True).stdout
    assert version.startswith(f"pagecut {pagecut.__version__} ")
