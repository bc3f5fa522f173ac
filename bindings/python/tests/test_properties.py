"""Random programs of calls against the real library: whatever the arguments
(wrong types, huge numbers, NaN, text with NUL bytes), the order (closes,
use after close, views outliving closes) and the threads, every call returns
or raises one of the documented exceptions, and the interpreter survives to
run the next program."""

import os
import random
import tempfile
import threading

import pytest

hypothesis = pytest.importorskip("hypothesis")
from hypothesis import HealthCheck, given, settings  # noqa: E402
from hypothesis import strategies as st  # noqa: E402

import zd  # noqa: E402

try:
    import numpy
except ImportError:
    numpy = None

# What a call may raise. MemoryError is kept for status 8 (no block for a
# result), which small images never meet.
DOCUMENTED = (ValueError, TypeError, OverflowError, BufferError)

JUNK = st.one_of(st.none(), st.text(max_size=4), st.binary(max_size=4),
                 st.lists(st.integers(), max_size=2), st.builds(object), st.complex_numbers())
NUMBERS = st.one_of(st.floats(-200, 200), st.integers(-300, 300),
                    st.floats(allow_nan=True, allow_infinity=True),
                    st.sampled_from([1e39, -3.5e38, 2**200, 1e-45, -0.0]))
INTS = st.one_of(st.integers(-3, 70),
                 st.sampled_from([2**31, -2**31 - 1, 2**32 + 5, 2**63, -2**64, 10**30]))
PATH_TEXT = st.one_of(
    st.sampled_from(["M0 0 L40 0 L20 30 Z", "M 5 5 h 20 v 20 h -20 z M 10 10 h 5 v 5 h -5 z",
                     "M0 0 A 10 5 30 1 0 40 40 Q 10 40 0 0", "m1 1 c 1 2 3 4 5 6 s 1 1 2 2 t 3 3"]),
    st.text(alphabet="MmLlHhVvCcSsQqTtAaZz0123456789.,-+eE \t\n\0x\u00e9", max_size=40),
    st.binary(max_size=24))
COLOR_TEXT = st.one_of(
    st.sampled_from(["#fff", "#12345678", "rgb(10, 20, 30)", "rgba(1,2,3,0.5)",
                     "oklch(70% 0.4 150 / 0.5)", "bluish", "#12345"]),
    st.text(max_size=14), st.binary(max_size=8))
FORMATS = st.one_of(st.sampled_from(["png", "jpeg", "bmp", "qoi", "pam", "tga", "gif"]), JUNK)
BUILDERS = {  # name: argument count
    "move_to": 2, "line_to": 2, "bezier_curve_to": 6, "quadratic_curve_to": 4,
    "elliptical_arc_to": 7, "rect": 4, "rounded_rect": 5, "ellipse": 4, "circle": 3,
    "arc": 5, "arc_to": 5,
}


class World:
    """The objects a program works on; every operation picks some of them
    (or junk in their place) and draws its other arguments."""

    def __init__(self, data, directory):
        self.data = data
        self.directory = directory
        self.paths = [zd.Path.parse("M0 0 L30 0 L15 25 Z")]
        self.colors = [zd.Color.rgba(0.2, 0.4, 0.6, 0.8)]
        # The large image's pixels are unmapped when freed, so a view used
        # after a free would fault at once.
        self.images = [zd.Image(16, 16), zd.Image(300, 300)]
        self.views = []  # (image, view)

    def draw(self, strategy):
        return self.data.draw(strategy)

    def pick(self, objects, junk=True):
        """One of `objects`, closed ones included, or now and then junk."""
        choices = [st.sampled_from(objects)] if objects else []
        if junk or not objects:
            choices.append(JUNK)
        return self.draw(st.one_of(*choices))

    # ------------------------------------------------------------ operations

    def new_path(self):
        self.paths.append(zd.Path.parse(self.draw(PATH_TEXT)) if self.draw(st.booleans())
                          else zd.Path())

    def build(self):
        name = self.draw(st.sampled_from(sorted(BUILDERS)))
        args = [self.draw(st.one_of(NUMBERS, JUNK) if self.draw(st.integers(0, 9)) == 0
                          else NUMBERS) for _ in range(BUILDERS[name])]
        getattr(self.pick(self.paths, junk=False), name)(*args)

    def polygon(self):
        self.pick(self.paths, junk=False).polygon(self.draw(INTS), *self.draw(
            st.tuples(NUMBERS, NUMBERS, NUMBERS)))

    def add_path(self):
        self.pick(self.paths, junk=False).add_path(self.pick(self.paths))

    def read_path(self):
        path = self.pick(self.paths, junk=False)
        which = self.draw(st.sampled_from(["str", "flatten", "len", "commands", "copy", "current"]))
        if which == "str":
            assert isinstance(str(path), str)
        elif which == "flatten":
            path.flatten(self.draw(st.one_of(st.floats(0.05, 4), NUMBERS, JUNK)))
        elif which == "len":
            assert len(path) >= 0
        elif which == "commands":
            path.commands()
        elif which == "copy":
            self.paths.append(path.copy())
        else:
            assert len(path.current) == 2

    def new_color(self):
        if self.draw(st.booleans()):
            self.colors.append(zd.Color.parse(self.draw(COLOR_TEXT)))
        else:
            self.colors.append(zd.Color.rgba(*self.draw(st.tuples(NUMBERS, NUMBERS, NUMBERS,
                                                                  NUMBERS))))

    def new_image(self):
        kind = self.draw(st.integers(0, 3))
        if kind == 0 and numpy is not None:
            shape = self.draw(st.tuples(st.integers(0, 8), st.integers(0, 8),
                                        st.sampled_from([3, 4])))
            self.images.append(zd.Image.from_array(numpy.zeros(shape, numpy.uint8)))
        elif kind == 1:
            width, height = self.draw(INTS), self.draw(INTS)
            self.images.append(zd.Image.from_bytes(self.draw(st.binary(max_size=64)), width,
                                                   height))
        else:
            self.images.append(zd.Image(self.draw(INTS), self.draw(INTS)))

    def fill(self):
        image = self.pick(self.images, junk=False)
        options = self.draw(st.fixed_dictionaries({}, optional={
            "even_odd": st.one_of(st.booleans(), JUNK), "overwrite": st.booleans(),
            "tolerance": st.one_of(st.floats(0.05, 3), NUMBERS, JUNK)}))
        image.fill(self.pick(self.paths), self.pick(self.colors), **options)

    def encode(self):
        image = self.pick(self.images, junk=False)
        data = image.encode(self.draw(FORMATS), self.draw(st.one_of(INTS, JUNK)))
        assert isinstance(data, bytes) and data

    def save(self):
        image = self.pick(self.images, junk=False)
        name = self.draw(st.sampled_from(["a.png", "b.jpg", "c.tga", "d.xyz", "e", "f.qoi"]))
        image.save(os.path.join(self.directory, name),
                   format=self.draw(st.one_of(st.none(), FORMATS)))

    def to_svg(self):
        text = zd.to_svg(self.pick(self.paths), self.pick(self.colors), self.draw(INTS),
                         self.draw(INTS), even_odd=self.draw(st.booleans()))
        assert text.startswith("<svg ")

    def view(self):
        # Half the views are of the large image (see __init__).
        image = self.images[1] if self.draw(st.booleans()) else self.pick(self.images, junk=False)
        if numpy is not None and self.draw(st.booleans()):
            array = numpy.asarray(image)
            assert array.shape == (image.height, image.width, 4)
            self.views.append((image, array[self.draw(st.integers(0, 3)):]))
        else:
            self.views.append((image, image.pixels))
        self.touch_views()

    def touch_views(self):
        """Writes through every live view: each must still be its image's."""
        for _, view in self.views:
            if len(view):
                view[-1] = view[0]

    def drop_view(self):
        if self.views:
            self.views.pop(self.draw(st.integers(0, len(self.views) - 1)))

    def close(self):
        if self.views and self.draw(st.booleans()):
            # An image with a view. (Indices are drawn, not views: the engine
            # keeps what it draws, which would keep views alive.)
            obj = self.views[self.draw(st.integers(0, len(self.views) - 1))][0]
        else:
            group = self.draw(st.sampled_from([self.paths, self.colors, self.images]))
            obj = self.draw(st.sampled_from(group))
        try:
            obj.close()
        finally:
            self.touch_views()

    def threads(self):
        """A few threads at once on the same objects: builders, fills, reads,
        views and closes racing one another."""
        steps = self.draw(st.lists(st.sampled_from(["build", "fill", "read_path", "encode",
                                                    "close", "view", "to_svg"]),
                                   min_size=2, max_size=6))
        # Arguments are drawn here, on this thread; the threads replay them.
        plans = [(step, random.Random(self.draw(st.integers(0, 2**32)))) for step in steps]
        failures = []
        lock = threading.Lock()

        def replay(step, rng):
            try:
                for _ in range(3):
                    path = rng.choice(self.paths)
                    image = rng.choice(self.images)
                    color = rng.choice(self.colors)
                    try:
                        if step == "build":
                            path.line_to(rng.uniform(-50, 50), rng.uniform(-50, 50))
                        elif step == "fill":
                            image.fill(path, color, even_odd=rng.random() < 0.5)
                        elif step == "read_path":
                            str(path)
                            path.flatten(0.5)
                        elif step == "encode":
                            image.encode(rng.choice(["png", "qoi", "bmp"]))
                        elif step == "close":
                            rng.choice([path, image, color]).close()
                        elif step == "view":
                            view = image.pixels
                            view.release()
                        else:
                            zd.to_svg(path, color, 10, 10)
                    except DOCUMENTED:
                        pass
            except BaseException as error:  # pragma: no cover - reported below
                with lock:
                    failures.append(error)

        workers = [threading.Thread(target=replay, args=plan) for plan in plans]
        for worker in workers:
            worker.start()
        for worker in workers:
            worker.join()
        assert not failures, failures

    OPERATIONS = ["new_path", "build", "polygon", "add_path", "read_path", "new_color",
                  "new_image", "fill", "encode", "save", "to_svg", "view", "view", "drop_view",
                  "close", "close", "threads"]

    def run(self, steps):
        for _ in range(steps):
            operation = self.draw(st.sampled_from(self.OPERATIONS))
            try:
                getattr(self, operation)()
            except DOCUMENTED as error:
                assert str(error), f"{operation} raised {type(error).__name__} without a message"

    def finish(self):
        """Views go first; then every object closes, and the library still works."""
        self.views.clear()
        for obj in self.paths + self.colors + self.images:
            obj.close()
        assert zd.Image(4, 4).fill(zd.Path().rect(0, 0, 2, 2), zd.Color.rgba(1, 0, 0)).png()


@settings(max_examples=int(os.environ.get("ZD_HYPOTHESIS_EXAMPLES", "100")), deadline=None,
          database=None, suppress_health_check=[HealthCheck.too_slow, HealthCheck.data_too_large])
@given(st.data())
def test_random_programs_raise_only_documented_exceptions(data):
    with tempfile.TemporaryDirectory() as directory:
        world = World(data, directory)
        world.run(data.draw(st.integers(1, 25)))
        world.finish()
