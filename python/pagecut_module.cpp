// SPDX-License-Identifier: Apache-2.0
// The Python module `pagecut`: divides page images held in numpy arrays, or
// read from files as the program reads them, into text blocks in reading
// order, with the program's results. The pages are divided without the GIL,
// so several threads divide pages at once; each call carries its own table
// setting. Faults raise TypeError or ValueError in the program's words, an
// unreadable file OSError, a failed allocation MemoryError. The process's
// file descriptors are never redirected: other threads write to them freely.
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdint>
#include <new>
#include <optional>
#include <string>
#include <unistd.h>

#include <opencv2/imgproc.hpp>
#include <pybind11/eval.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include "app/messages.h"
#include "formats/image_io.h"
#include "pagecut/pagecut.h"

namespace py = pybind11;

namespace {

// Raises `type`, which may be one pybind11 has no C++ exception for.
[[noreturn]] void raise(PyObject* type, const std::string& message) {
    PyErr_SetString(type, message.c_str());
    throw py::error_already_set();
}

std::string reprText(const py::handle& object) {
    return py::repr(object).cast<std::string>();
}

// The value of an int (or of anything with __index__, such as numpy's
// integers); nothing for other types. Values beyond long long read as
// LLONG_MIN, which every range check refuses.
std::optional<long long> integerValue(const py::handle& object) {
    if (!PyIndex_Check(object.ptr()))
        return std::nullopt;
    const py::object index = py::reinterpret_steal<py::object>(PyNumber_Index(object.ptr()));
    if (!index)
        throw py::error_already_set();
    int overflow = 0;
    const long long value = PyLong_AsLongLongAndOverflow(index.ptr(), &overflow);
    return overflow != 0 ? LLONG_MIN : value;
}

// The box as the command line takes it: four unsigned numbers fitting 32 bits.
pagecut::PageBox readBox(const py::object& box) {
    if (!py::isinstance<py::sequence>(box) || py::isinstance<py::str>(box) ||
        py::isinstance<py::bytes>(box) || py::len(box) != 4) {
        raise(PyExc_TypeError, "box should be a sequence of four ints (BB_X0, BB_Y0, BB_X1, "
                               "BB_Y1). Got " +
                                   reprText(box) + " instead.");
    }
    std::int32_t values[4];
    const py::sequence items = box;
    for (std::size_t i = 0; i < 4; ++i) {
        const py::object item = items[i];
        const std::optional<long long> value = integerValue(item);
        const std::string fault = pagecut::badCoordinateMessage(reprText(item));
        if (!value)
            raise(PyExc_TypeError, fault);
        if (*value < 0 || *value > INT32_MAX)
            raise(PyExc_ValueError, fault);
        values[i] = static_cast<std::int32_t>(*value);
    }
    return {values[0], values[1], values[2], values[3]};
}

// A skew in degrees: None (measure it), or a real number between -45 and 45.
std::optional<double> readSkew(const py::object& skew) {
    if (skew.is_none())
        return std::nullopt;
    const std::string fault =
        "skew should be None or a number of degrees between -45 and 45. Got " + reprText(skew) +
        " instead.";
    if (!PyFloat_Check(skew.ptr()) && !PyIndex_Check(skew.ptr()))
        raise(PyExc_TypeError, fault);
    const double value = PyFloat_AsDouble(skew.ptr());
    if (value == -1.0 && PyErr_Occurred()) {
        PyErr_Clear();
        raise(PyExc_ValueError, fault);
    }
    if (!std::isfinite(value) || value < -45 || value > 45)
        raise(PyExc_ValueError, fault);
    return value;
}

// The one place where the keyword arguments become PageOptions.
pagecut::PageOptions readOptions(const py::object& tableLogic, bool paragraphs,
                                 const py::object& skew, bool layout) {
    if (layout && !paragraphs)
        raise(PyExc_ValueError, "layout=True needs paragraphs=True: only the paragraph mode "
                                "types its blocks.");
    const std::optional<long long> value = integerValue(tableLogic);
    const std::string fault = pagecut::badTableLogicMessage(reprText(tableLogic));
    if (!value)
        raise(PyExc_TypeError, fault);
    if (!pagecut::isTableLogicValue(*value))
        raise(PyExc_ValueError, fault);
    pagecut::PageOptions options;
    options.tableLogic = static_cast<int>(*value);
    options.paragraphs = paragraphs;
    options.skew = readSkew(skew);
    return options;
}

// Runs `work` without the GIL. OpenCV reports an allocation that failed as
// its own exception: it becomes std::bad_alloc, which raises MemoryError as a
// failed allocation of the C++ library does.
template <typename Work> void withoutGil(Work work) {
    py::gil_scoped_release release;
    try {
        work();
    } catch (const cv::Exception& error) {
        if (error.code == cv::Error::StsNoMem)
            throw std::bad_alloc();
        throw;
    }
}

py::list pointList(const pagecut::Outline& outline) {
    py::list points;
    for (const cv::Point& p : outline)
        points.append(py::make_tuple(p.x, p.y));
    return points;
}

py::dict boxDict(const cv::Rect& r) {
    py::dict box;
    box["x"] = r.x, box["y"] = r.y, box["width"] = r.width, box["height"] = r.height;
    return box;
}

// The paragraph mode's page as the JSON result file gives it: the skew and
// every block with its type, polygon and lines.
py::dict layoutDict(const pagecut::PageBlocks& result) {
    py::list blocks;
    for (const pagecut::BlockLayout& layout : result.layouts) {
        py::dict block = boxDict(layout.box);
        block["type"] = pagecut::blockTypeName(layout.type);
        block["polygon"] = pointList(layout.outline);
        py::list lines;
        for (const pagecut::Outline& line : layout.lines) {
            const cv::Rect bounds =
                cv::boundingRect(std::vector<cv::Point>(line.begin(), line.end()));
            py::dict entry = boxDict(bounds);
            entry["polygon"] = pointList(line);
            lines.append(entry);
        }
        block["lines"] = lines;
        blocks.append(block);
    }
    py::dict page;
    page["skew"] = result.skew;
    page["blocks"] = blocks;
    return page;
}

// Divides `grey` without the GIL and gives the blocks of text as (x, y,
// width, height) tuples in reading order, or with `layout` the typed page
// (layoutDict). `grey` must stay valid until the call returns.
py::object cutGrey(const cv::Mat& grey, const pagecut::PageBox& box,
                   const pagecut::PageOptions& options, bool layout) {
    pagecut::PageBlocks result;
    pagecut::PageStatus status = pagecut::PageStatus::Ok;
    withoutGil([&] { status = pagecut::cutPage(grey, box, options, result); });
    if (status != pagecut::PageStatus::Ok)
        raise(PyExc_ValueError, pagecut::kBoxOutsideImageMessage);
    if (layout)
        return layoutDict(result);
    py::list blocks;
    for (const cv::Rect& r : result.blocks)
        blocks.append(py::make_tuple(r.x, r.y, r.width, r.height));
    return blocks;
}

std::string shapeText(const py::array& image) {
    std::string text = "(";
    for (py::ssize_t i = 0; i < image.ndim(); ++i)
        text += (i > 0 ? ", " : "") + std::to_string(image.shape(i));
    return text + (image.ndim() == 1 ? ",)" : ")");
}

// A C-contiguous uint8 array of a page: 2-D grey, or 3-D with 1, 3 (BGR) or
// 4 (BGRA) channels. Other arrays are copied into that layout; the rest raise.
py::array pageArray(const py::object& image) {
    if (!py::isinstance<py::array>(image)) {
        raise(PyExc_TypeError, "image should be a numpy array of uint8. Got " +
                                   std::string(py::str(py::type::of(image).attr("__name__"))) +
                                   " instead.");
    }
    const py::array array = image;
    if (array.dtype().kind() != 'u' || array.itemsize() != 1) {
        raise(PyExc_TypeError, "image should be an array of uint8. Got dtype " +
                                   std::string(py::str(array.dtype())) + " instead.");
    }
    const bool channelsOk =
        array.ndim() == 2 ||
        (array.ndim() == 3 && (array.shape(2) == 1 || array.shape(2) == 3 || array.shape(2) == 4));
    if (!channelsOk) {
        raise(PyExc_ValueError, "image should be 2-D (greyscale) or 3-D with 3 channels (BGR; "
                                "also 1, or 4 for BGRA). Got shape " +
                                    shapeText(array) + " instead.");
    }
    if (array.shape(0) == 0 || array.shape(1) == 0 || array.shape(0) > INT_MAX ||
        array.shape(1) > INT_MAX) {
        raise(PyExc_ValueError, "image should have between 1 and 2147483647 rows and columns. "
                                "Got shape " +
                                    shapeText(array) + " instead.");
    }
    // Strided views (slices, transposes, Fortran order) are copied here; a
    // copy that finds no memory raises numpy's MemoryError as it is.
    return py::array_t<std::uint8_t, py::array::c_style>(static_cast<const py::object&>(array));
}

py::object cut(const py::object& image, const py::object& box, const py::object& tableLogic,
               bool paragraphs, const py::object& skew, bool layout) {
    const pagecut::PageBox pageBox = readBox(box);
    const pagecut::PageOptions options = readOptions(tableLogic, paragraphs, skew, layout);
    const py::array page = pageArray(image);
    const int rows = static_cast<int>(page.shape(0)), cols = static_cast<int>(page.shape(1));
    const int channels = page.ndim() == 3 ? static_cast<int>(page.shape(2)) : 1;
    const cv::Mat pixels(rows, cols, CV_8UC(channels), const_cast<void*>(page.data()));
    if (channels == 1)
        return cutGrey(pixels, pageBox, options, layout);
    // Colour as the program's reader converts it when it decodes a colour
    // file itself: the same weights, rounded the same way; alpha ignored.
    cv::Mat grey;
    withoutGil([&] {
        cv::cvtColor(pixels, grey, channels == 3 ? cv::COLOR_BGR2GRAY : cv::COLOR_BGRA2GRAY);
    });
    return cutGrey(grey, pageBox, options, layout);
}

// The path as open() takes it: str, bytes or os.PathLike (anything else
// raises TypeError), in the file system's encoding. A NUL byte would end the
// name early, so it raises ValueError, in open()'s words.
std::string filePath(const py::object& path) {
    const std::string file = py::module_::import("os").attr("fsencode")(path).cast<std::string>();
    if (file.find('\0') != std::string::npos)
        raise(PyExc_ValueError, "embedded null byte");
    return file;
}

// Raises `type` (an OSError) for the file that cannot be read. The message
// shows the name decoded as the file system encodes it, with each byte that
// does not decode as an escape ("\xff"), so that building and printing the
// message cannot fail.
[[noreturn]] void raiseUnreadable(PyObject* type, const std::string& file) {
    const py::object encoding = py::module_::import("sys").attr("getfilesystemencoding")();
    const py::str name = py::bytes(file).attr("decode")(encoding, "backslashreplace");
    const py::object message = py::str(pagecut::unreadableImageMessage("")) + name;
    PyErr_SetObject(type, message.ptr());
    throw py::error_already_set();
}

py::object cutFile(const py::object& path, const py::object& box, const py::object& tableLogic,
                   bool paragraphs, const py::object& skew, bool layout) {
    const std::string file = filePath(path);
    const pagecut::PageBox pageBox = readBox(box);
    const pagecut::PageOptions options = readOptions(tableLogic, paragraphs, skew, layout);
    cv::Mat grey;
    bool missing = false;
    withoutGil([&] {
        grey = pagecut::readGreyImage(file);
        missing = grey.empty() && ::access(file.c_str(), F_OK) != 0 && errno == ENOENT;
    });
    if (grey.empty())
        raiseUnreadable(missing ? PyExc_FileNotFoundError : PyExc_OSError, file);
    return cutGrey(grey, pageBox, options, layout);
}

} // namespace

// The public functions are Python functions around the bound ones: a bound
// function cannot be pickled (its owner is a capsule), and Dask and
// multiprocessing send the function to their workers by pickling it. A Python
// function of this module pickles as a reference to pagecut.cut.
constexpr const char* kPublicFunctions = R"(
def cut(image, box=(0, 0, 0, 0), table_logic=1, paragraphs=False, skew=None, layout=False):
    """Divides a page held in a 2-D uint8 array (greyscale; every pixel that
    is not 255 is ink) or a 3-D uint8 array (BGR, converted to grey as pagecut
    converts colour files; BGRA too, alpha ignored).

    box is (BB_X0, BB_Y0, BB_X1, BB_Y1), right and bottom edges exclusive,
    all zeros for the whole page; table_logic is TABLE_LOGIC, 1 or 2.
    paragraphs asks for the paragraph mode; skew fixes its page's skew in
    degrees (counter-clockwise; 0 turns straightening off), which it measures
    when None. Returns the blocks of text as (x, y, width, height) tuples in
    reading order; with layout=True (paragraph mode only) a dict shaped as
    the JSON result: "skew" and "blocks", each block with "x", "y", "width",
    "height", "type", "polygon" (four (x, y) corners) and "lines" (each with
    its box and polygon), pictures and rules included.
    The GIL is released while the page is divided. Raises TypeError or
    ValueError, in pagecut's words, for bad arguments."""
    return _cut(image, box, table_logic, paragraphs, skew, layout)

def cut_file(path, box=(0, 0, 0, 0), table_logic=1, paragraphs=False, skew=None, layout=False):
    """Reads the image file at path (str, bytes or os.PathLike) as pagecut
    reads it, and divides it as cut() does. Raises OSError
    (FileNotFoundError for a missing file) when it cannot be read, and
    ValueError for a path holding a NUL."""
    return _cut_file(path, box, table_logic, paragraphs, skew, layout)
)";

PYBIND11_MODULE(pagecut, m) {
    m.doc() = "Divides page images into rectangular text blocks in reading order, with the "
              "results of the pagecut program.";
    m.attr("__version__") = PAGECUT_VERSION;
    m.def("_cut", &cut);
    m.def("_cut_file", &cutFile);
    py::exec(kPublicFunctions, m.attr("__dict__"));
}
