"""What a Python host relies on: messages, argument checks, views that keep
their image alive, numpy and Pillow, saving, signals and threads."""

import os
import shutil
import signal
import subprocess
import sys
import textwrap
import threading
import time

import pytest

import zd

try:
    import numpy
except ImportError:
    numpy = None
try:
    from PIL import Image as PILImage
except ImportError:
    PILImage = None

needs_numpy = pytest.mark.skipif(numpy is None, reason="numpy is not installed")
needs_pil = pytest.mark.skipif(PILImage is None, reason="Pillow is not installed")

RING = "M 2 2 L 18 2 L 18 18 L 2 18 Z M 6 6 L 14 6 L 14 14 L 6 14 Z"


def run_python(code: str, **kwargs) -> subprocess.CompletedProcess:
    """Runs `code` in a new interpreter that imports zd as this one does."""
    return subprocess.run([sys.executable, "-c", textwrap.dedent(code)], capture_output=True,
                          text=True, timeout=60, **kwargs)


# ------------------------------------------------------------------ messages


def test_errors_carry_the_library_message():
    with pytest.raises(ValueError, match=r"^parsePath: expected a number at offset 6 "):
        zd.Path.parse("M 0 0L")
    with pytest.raises(ValueError, match=r"^parseCss: unknown colour name 'bluish' at offset 0$"):
        zd.Color.parse("bluish")
    with pytest.raises(ValueError, match=r"^zd_color_convert: unknown colour space 'nope'$"):
        zd.Color.parse("red").convert("nope")
    with pytest.raises(ValueError, match="hue must be one of 'shorter'"):
        zd.Color.parse("red").mix(zd.Color.parse("blue"), hue="sideways")
    with pytest.raises(ValueError, match=r"^zd_path_circle: r must be >= 0$"):
        zd.Path().circle(0, 0, -1)
    with pytest.raises(ValueError, match=r"^zd_path_move_to: x is not finite$"):
        zd.Path().move_to(float("nan"), 0)
    with pytest.raises(ValueError, match=r"^zd_color_rgba: a must be in \[0, 1\]$"):
        zd.Color.rgba(0, 0, 0, 2)
    path = zd.Path().polygon(1048576, 0, 0, 10).line_to(1, 1)
    with pytest.raises(ValueError, match=r"^flatten: segment limit exceeded \(1048576\)$"):
        zd.Image(4, 4).fill(path, zd.Color.rgba(0, 0, 0))


def test_integers_are_range_checked_before_the_call():
    with pytest.raises(OverflowError, match="width = 4294967306 does not fit a 32-bit"):
        zd.Image(2**32 + 10, 10)
    with pytest.raises(OverflowError):
        zd.Image(10, -2**31 - 1)
    path = zd.Path()
    with pytest.raises(OverflowError, match="n = 4294967301"):
        path.polygon(2**32 + 5, 0, 0, 10)
    assert len(path) == 0  # nothing was drawn
    with pytest.raises(TypeError, match="n must be an integer, not float"):
        path.polygon(5.0, 0, 0, 10)
    with pytest.raises(OverflowError):
        zd.Image(2, 2).encode("jpeg", quality=2**40)
    with pytest.raises(OverflowError, match="beyond the 32-bit float range"):
        path.move_to(1e300, 0)
    with pytest.raises(ValueError, match=r"^zd_image_new: height must be >= 1 \(got 0\)$"):
        zd.Image(3, 0)


def test_text_is_checked():
    with pytest.raises(ValueError, match="NUL character at index 4"):
        zd.Path.parse("M0 0\0 L 50 50 garbage")
    with pytest.raises(ValueError, match="NUL"):
        zd.Color.parse(b"#fff\0")
    with pytest.raises(TypeError, match="must be str or bytes, not int"):
        zd.Path.parse(5)
    assert str(zd.Path.parse(b"M1 2")) == "M 1 2"
    assert str(zd.Color.parse(bytearray(b"#00f"))) == "#0000FF"


def test_wrong_types_raise_type_error():
    image, path, color = zd.Image(2, 2), zd.Path(), zd.Color.rgba(0, 0, 0)
    for call in (lambda: image.fill("M0 0", color), lambda: image.fill(path, "#000"),
                 lambda: path.add_path(None), lambda: path.move_to("1", 2),
                 lambda: zd.to_svg(path, color, "10", 10), lambda: image.encode(4),
                 lambda: zd.Image.from_array(12), lambda: image.save(3.5)):
        with pytest.raises(TypeError):
            call()
    with pytest.raises(TypeError):
        zd.Color(12345)  # a number is never taken for a handle


def test_missing_library_says_how_to_fix_it(tmp_path):
    package = tmp_path / "zd"
    package.mkdir()
    shutil.copy(zd.__file__, package / "__init__.py")
    environment = {"PATH": os.environ.get("PATH", "/usr/bin:/bin"), "PYTHONPATH": str(tmp_path),
                   "LD_LIBRARY_PATH": str(tmp_path)}
    if "libzd" in str(zd.library._name) and os.path.dirname(zd.library._name) in (
            "/usr/lib", "/usr/local/lib", "/usr/lib/x86_64-linux-gnu"):
        pytest.skip("zd is installed system-wide")
    result = run_python("import zd", env=environment, cwd=tmp_path)
    assert result.returncode != 0
    assert "ImportError: zd: libzd.so.1 was not found" in result.stderr
    assert "pip install ./bindings/python" in result.stderr
    environment["ZD_LIBRARY"] = str(tmp_path / "nothing.so")
    result = run_python("import zd", env=environment, cwd=tmp_path)
    assert "ImportError: zd: ZD_LIBRARY=" in result.stderr


# ------------------------------------------------------------------ views


def test_a_view_keeps_its_image_alive():
    # A temporary's pixels: the view holds the image.
    result = run_python("""
        import gc, zd
        v = zd.Image(1024, 1024).pixels
        gc.collect()
        v[5] = 7
        print(v[0], v[5], len(v))
    """)
    assert result.returncode == 0, result.stderr
    assert result.stdout.split() == ["0", "7", str(1024 * 1024 * 4)]


def test_close_with_live_views_raises_buffer_error():
    image = zd.Image(8, 8)
    view = image.pixels
    with pytest.raises(BufferError):
        image.close()
    view[0] = 200  # still the image's memory, still valid
    assert image.png()  # and the image still works
    view.release()
    image.close()
    assert image.closed
    with pytest.raises(ValueError, match="used after close"):
        image.png()
    with pytest.raises(ValueError, match="used after close"):
        image.pixels  # noqa: B018

    with pytest.raises(BufferError):
        with zd.Image(4, 4) as held:
            kept = held.pixels
    assert kept[0] == 0 and not held.closed
    del kept
    held.close()

    # An exception leaving the block is not hidden by the live view.
    with pytest.raises(KeyError):
        with zd.Image(4, 4) as held:
            kept = held.pixels
            raise KeyError("inner")
    assert kept[3] == 0


@needs_numpy
def test_numpy_views_are_zero_copy_and_counted():
    image = zd.Image(5, 3)
    array = numpy.asarray(image)
    assert array.shape == (3, 5, 4) and array.dtype == numpy.uint8
    image.fill(zd.Path().rect(0, 0, 2, 1), zd.Color.rgba(1, 0, 0))
    assert array[0, 0].tolist() == [255, 0, 0, 255]  # the fill shows through
    array[2, 4] = (1, 2, 3, 4)  # writes reach the image
    assert bytes(image.pixels)[-4:] == b"\x01\x02\x03\x04"
    derived = array[1:, 2:]
    del array
    with pytest.raises(BufferError):
        image.close()
    del derived
    image.close()


@needs_numpy
def test_numpy_round_trip():
    rng = numpy.random.default_rng(3)
    pixels = rng.integers(0, 256, size=(7, 9, 4), dtype=numpy.uint8)
    image = zd.Image.from_array(pixels)
    assert (image.width, image.height) == (9, 7)
    assert numpy.array_equal(numpy.asarray(image), pixels)
    # Non-contiguous input is copied in row order.
    flipped = pixels[::-1, ::2]
    assert numpy.array_equal(numpy.asarray(zd.Image.from_array(flipped)), flipped)
    with pytest.raises(ValueError, match=r"\(height, width, 4\)"):
        zd.Image.from_array(pixels[..., :3])
    with pytest.raises(ValueError):
        zd.Image.from_array(pixels.astype(numpy.float32))
    with pytest.raises(ValueError, match="needs 252 bytes, not 251"):
        zd.Image.from_bytes(bytes(251), 9, 7)


@needs_pil
def test_pil_round_trip():
    image = zd.Image(6, 4)
    image.fill(zd.Path.parse("M0 0 L6 0 L0 4 Z"), zd.Color.rgba(0.2, 0.4, 0.6, 0.5))
    picture = image.to_pil()
    assert picture.mode == "RGBA" and picture.size == (6, 4)
    assert picture.tobytes() == bytes(image.pixels)
    back = zd.Image.from_bytes(picture.tobytes(), *picture.size)
    assert bytes(back.pixels) == bytes(image.pixels)
    if numpy is not None:
        assert bytes(zd.Image.from_array(numpy.asarray(picture)).pixels) == bytes(image.pixels)


# ------------------------------------------------------------------ files


MAGIC = {"png": b"\x89PNG", "jpeg": b"\xff\xd8\xff", "bmp": b"BM", "qoi": b"qoif",
         "pam": b"P7\n", "tga": None}


def test_encode_and_save_choose_the_encoder(tmp_path):
    image = zd.Image(8, 8)
    image.fill(zd.Path.parse(RING), zd.Color.rgba(0, 0.5, 1), even_odd=True)
    assert image._repr_png_() == image.png() == image.encode("png") == image.encode("PNG")
    for name, magic in MAGIC.items():
        data = image.encode(name)
        if magic:
            assert data.startswith(magic), name
    for file_name, name in [("a.png", "png"), ("b.JPG", "jpeg"), ("c.jpeg", "jpeg"),
                            ("d.bmp", "bmp"), ("e.qoi", "qoi"), ("f.pam", "pam"),
                            ("g.tga", "tga")]:
        image.save(tmp_path / file_name)
        assert (tmp_path / file_name).read_bytes() == image.encode(name), file_name
    image.save(str(tmp_path / "named.bin"), format="qoi")
    assert (tmp_path / "named.bin").read_bytes().startswith(b"qoif")
    image.save(os.fsencode(tmp_path / "bytes.png"))
    assert (tmp_path / "bytes.png").read_bytes() == image.png()
    assert image.encode("jpeg", quality=10) != image.encode("jpeg", quality=95)
    with pytest.raises(ValueError, match="no image format for the extension '.xyz'"):
        image.save(tmp_path / "x.xyz")
    with pytest.raises(ValueError, match="no image format"):
        image.save(tmp_path / "noextension")
    with pytest.raises(ValueError, match="unknown image format 'gif'"):
        image.encode("gif")
    assert sorted(os.listdir(tmp_path)) == sorted(
        ["a.png", "b.JPG", "c.jpeg", "d.bmp", "e.qoi", "f.pam", "g.tga", "named.bin",
         "bytes.png"])


def test_save_writes_whole_files_or_nothing(tmp_path):
    target = tmp_path / "kept.tga"
    target.write_bytes(b"old")
    wide = zd.Image(70000, 1)  # beyond TGA's 16-bit sizes: encoding fails
    with pytest.raises(ValueError, match="^tga: dimensions exceed"):
        wide.save(target)
    assert target.read_bytes() == b"old"
    with pytest.raises(ValueError):
        wide.save(tmp_path / "new.tga")
    assert sorted(os.listdir(tmp_path)) == ["kept.tga"]  # no temporary left
    zd.Image(2, 2).save(target)
    assert target.read_bytes()[:3] != b"old"
    mask = os.umask(0)
    os.umask(mask)
    assert os.stat(target).st_mode & 0o777 == 0o666 & ~mask
    zd.Image(2, 2).save("/dev/null", format="png")  # a device is written, not replaced
    assert os.path.exists("/dev/null") and not os.path.isfile("/dev/null")


# ------------------------------------------------------------------ documents


def test_even_odd_document_shows_the_hole_the_fill_leaves(tmp_path):
    if shutil.which("rsvg-convert") is None:
        pytest.skip("rsvg-convert is not installed")
    if PILImage is None:
        pytest.skip("Pillow is not installed")
    path, color = zd.Path.parse(RING), zd.Color.rgba(0.8, 0.1, 0.1)
    image = zd.Image(20, 20).fill(path, color, even_odd=True)
    ours = image.to_pil()
    for even_odd in (True, False):
        svg = tmp_path / f"ring-{even_odd}.svg"
        png = tmp_path / f"ring-{even_odd}.png"
        svg.write_text(zd.to_svg(path, color, 20, 20, even_odd=even_odd))
        subprocess.run(["rsvg-convert", "-o", str(png), str(svg)], check=True)
        theirs = PILImage.open(png).convert("RGBA")
        hole = theirs.getpixel((10, 10))
        if even_odd:
            assert hole[3] == 0 and ours.getpixel((10, 10))[3] == 0
            # Inside the ring both paint the colour, opaque (the peer's
            # rounding may differ by one level).
            inside, peer = ours.getpixel((4, 10)), theirs.getpixel((4, 10))
            assert inside[3] == peer[3] == 255 and inside[0] == 204
            assert all(abs(a - b) <= 1 for a, b in zip(inside, peer))
        else:
            assert hole[3] == 255  # SVG's default rule fills the hole
    plain = zd.to_svg(path, color, 20, 20)
    assert plain == zd.to_svg(path, color, 20, 20, even_odd=False)
    assert zd.to_svg(path, color, 20, 20, even_odd=True) == plain.replace(
        '"/></svg>', '" fill-rule="evenodd"/></svg>')


# ------------------------------------------------------------------ signals and threads


def test_ctrl_c_raises_keyboard_interrupt_after_import():
    child = subprocess.Popen([sys.executable, "-c", textwrap.dedent("""
        import sys, time, zd
        zd.Image(4, 4).png()
        try:
            print("ready", flush=True)
            time.sleep(30)
            print("slept")
        except KeyboardInterrupt:
            print("interrupted", flush=True)
            sys.exit(0)
    """)], stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    assert child.stdout.readline().strip() == "ready"
    child.send_signal(signal.SIGINT)
    out, err = child.communicate(timeout=30)
    assert child.returncode == 0, err
    assert out.strip() == "interrupted"
    assert "SIGINT" not in err


def test_threads_share_a_path_and_a_colour():
    path = zd.Path.parse("M10 10 L60 10 Q 70 70 10 60 Z").circle(40, 40, 15)
    color = zd.Color.parse("oklch(70% 0.3 150 / 0.5)")
    expected = zd.Image(80, 80).fill(path, color, even_odd=True).png()
    results, errors = [], []

    def work():
        try:
            for _ in range(20):
                image = zd.Image(80, 80)
                image.fill(path, color, even_odd=True)
                results.append(image.png())
                image.close()
        except Exception as error:  # pragma: no cover - reported below
            errors.append(error)

    threads = [threading.Thread(target=work) for _ in range(8)]
    for thread in threads:
        thread.start()
    for thread in threads:
        thread.join()
    assert not errors
    assert len(results) == 160 and all(result == expected for result in results)


def test_close_waits_for_calls_on_other_threads():
    path = zd.Path().polygon(200000, 500, 500, 400)
    color = zd.Color.rgba(0, 0, 0)
    started, failures = threading.Event(), []

    def fill():
        image = zd.Image(1000, 1000)
        started.set()
        for _ in range(3):
            try:
                image.fill(path, color)
            except ValueError as error:  # the path was closed in between
                assert "used after close" in str(error)
                return
            except Exception as error:  # pragma: no cover
                failures.append(error)

    thread = threading.Thread(target=fill)
    thread.start()
    started.wait()
    time.sleep(0.01)
    path.close()  # waits for a fill in progress, then frees
    thread.join()
    assert not failures and path.closed
