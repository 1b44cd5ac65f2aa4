"""Reading sorvik reports as bytes: the frame, sections and elements, the creation time masked.

Reports are compared as bytes (BOM, CR LF, tabs and UTF-8 all matter); these helpers only cut
them into comparable pieces and make failure messages readable.
"""

import difflib
import re
import shutil
import subprocess

BOM = b"\xef\xbb\xbf"
DECLARATION = b'<?xml version="1.0" encoding="utf-8"?>\r\n'
ROOT_END = b"</sorvik>\r\n"
VERSION = b"3.0.1"
CREATION_TIME = re.compile(rb"\d{4}/\d\d/\d\d \d\d:\d\d:\d\d")
MASKED_TIME = b"YYYY/MM/DD hh:mm:ss"
ROOT_START = re.compile(rb'<sorvik version="([^"]*)" creationDateTime="([^"]*)">\r\n')

_LINE = re.compile(rb"^(\t*)<(/?)([A-Za-z_][\w.:-]*)((?:\s[^>]*?)?)\s*(/?)>(.*)$", re.S)


class ReportError(AssertionError):
    pass


def show(data, limit=6000):
    """A report for a failure message: decoded, with CR and tabs made visible."""
    if data is None:
        return "<no file>"
    text = data.decode("utf-8", "replace").replace("\r", "\\r").replace("\t", "\\t")
    return text if len(text) <= limit else text[:limit] + "\n... (%d bytes)" % len(data)


def diff(expected, actual, names=("expected", "actual")):
    """A unified diff of two reports, line by line with visible CR and tabs."""
    def lines(data):
        return show(data, limit=10**9).splitlines(keepends=True)
    return "".join(difflib.unified_diff(lines(expected), lines(actual), *names))


def creation_time(data):
    """The creationDateTime of the root start tag, checked for its form."""
    match = ROOT_START.search(data)
    if match is None:
        raise ReportError("no root start tag in:\n" + show(data))
    if not CREATION_TIME.fullmatch(match.group(2)):
        raise ReportError("creationDateTime %r is not of the form YYYY/MM/DD hh:mm:ss"
                          % match.group(2))
    return match.group(2).decode()


def mask_creation_time(data):
    """The report with its creation time replaced by a fixed text (the form is checked)."""
    creation_time(data)
    match = ROOT_START.search(data)
    return data[:match.start(2)] + MASKED_TIME + data[match.end(2):]


def check_frame(data):
    """Checks the fixed frame of a complete report: BOM, declaration, root start tag with
    version 3.0.1 and a creation time of the right form, root end tag, CR LF line ends."""
    if data is None:
        raise ReportError("no report was written")
    head = BOM + DECLARATION
    if not data.startswith(head):
        raise ReportError("report does not start with BOM and declaration:\n" + show(data))
    match = ROOT_START.match(data, len(head))
    if match is None:
        raise ReportError("the root start tag does not follow the declaration:\n" + show(data))
    if match.group(1) != VERSION:
        raise ReportError("version is %r, expected %r" % (match.group(1), VERSION))
    creation_time(data)
    if not data.endswith(ROOT_END):
        raise ReportError("report does not end with the root end tag:\n" + show(data))
    bare = re.search(rb"(?<!\r)\n", data)
    if bare is not None:
        raise ReportError("a line feed without CR at byte %d:\n%s" % (bare.start(), show(data)))


def frame(data):
    """(head, tail): BOM through the root start tag with the time masked, and the root end tag.
    Two reports of the same program version have equal frames."""
    check_frame(data)
    match = ROOT_START.match(data, len(BOM + DECLARATION))
    masked = mask_creation_time(data[:match.end()])
    return masked, data[-len(ROOT_END):]


def well_formed(data):
    """None when the report is well-formed XML (checked by xmllint), else its complaint."""
    if shutil.which("xmllint") is None:
        import xml.dom.minidom
        try:
            xml.dom.minidom.parseString(data)
            return None
        except Exception as error:  # the parser's own error types vary
            return str(error)
    result = subprocess.run(["xmllint", "--noout", "-"], input=data, stdout=subprocess.PIPE,
                            stderr=subprocess.PIPE, timeout=60)
    return None if result.returncode == 0 else result.stderr.decode("utf-8", "replace")


class Element:
    """One line-level item of a report: a container start, a simple element or a self-closing
    tag. `raw` holds its bytes (the whole container for containers, with every nested line)."""

    def __init__(self, path, level, raw, attributes):
        self.path = path
        self.level = level
        self.raw = raw
        self.attributes = attributes

    @property
    def name(self):
        return self.path.rsplit("/", 1)[-1]

    def __repr__(self):
        return "Element(%r, level %d, %r)" % (self.path, self.level, self.raw)


class Report:
    """A report split into its elements by path ("computer/os/fullName"; the root is not part
    of the path). Containers (`computer`, `installed`, ...) and simple elements both have a
    path; a repeated element (`installed`) has one Element per occurrence.

        report = Report(data)
        report.section("computer")          # bytes of the whole section, tags included
        report.value("computer/userName")   # the element's text, entities resolved
        report.all("software/installed")    # every occurrence
    """

    def __init__(self, data):
        if data is None:
            raise ReportError("no report was written")
        self.data = data
        self.elements = []
        self._parse()

    def _parse(self):
        body = self.data[len(BOM):] if self.data.startswith(BOM) else self.data
        lines = body.split(b"\n")
        # split() leaves the CR on each line; put the LF back so that raw bytes are exact.
        lines = [line + b"\n" for line in lines[:-1]] + ([lines[-1]] if lines[-1] else [])
        stack = []  # (Element, index of its first line)
        index = 0
        while index < len(lines):
            line = lines[index]
            index += 1
            if line.startswith(b"<?xml") or line.lstrip(b"\t").startswith(b"<!--"):
                continue
            match = _LINE.match(line.rstrip(b"\r\n"))
            if match is None:
                raise ReportError("unreadable report line %d: %r\n%s"
                                  % (index, line, show(self.data)))
            tabs, closing, name, attributes, self_closing, rest = match.groups()
            level = len(tabs)
            name = name.decode()
            if name == "sorvik" and not stack:
                continue  # the root: not part of any path
            if closing:
                if not stack or stack[-1][0].name != name:
                    raise ReportError("unexpected end tag </%s> at line %d" % (name, index))
                element, first = stack.pop()
                element.raw = b"".join(lines[first:index])
                continue
            path = "/".join([entry[0].name for entry in stack] + [name])
            element = Element(path, level, line, _attributes(attributes))
            self.elements.append(element)
            if self_closing:
                continue
            # A simple element; its value may span lines (an LF inside it, even first).
            if rest or (index < len(lines) and not _LINE.match(lines[index].rstrip(b"\r\n"))):
                end = b"</%s>" % name.encode()
                first = index - 1
                while not lines[index - 1].rstrip(b"\r\n").endswith(end):
                    if index == len(lines):
                        raise ReportError("element %s never ends" % path)
                    index += 1
                element.raw = b"".join(lines[first:index])
                continue
            stack.append((element, index - 1))
        if stack:
            raise ReportError("containers left open: %s" % [entry[0].path for entry in stack])

    def all(self, path):
        return [element for element in self.elements if element.path == path]

    def element(self, path):
        """The one element at `path` (fails when it is missing or repeated)."""
        found = self.all(path)
        if len(found) != 1:
            raise ReportError("%d elements at %s in:\n%s" % (len(found), path, show(self.data)))
        return found[0]

    def has(self, path):
        return bool(self.all(path))

    def raw(self, path):
        return self.element(path).raw

    def section(self, name):
        """The bytes of a top-level section, from its start line through its end line."""
        return self.raw(name)

    def sections(self):
        """Names of the top-level sections in order."""
        return [element.name for element in self.elements if "/" not in element.path]

    def value(self, path):
        """The text of a simple element (empty for the self-closing form), entities resolved."""
        raw = self.raw(path).decode("utf-8")
        body = raw.strip("\t")
        if body.rstrip("\r\n").endswith("/>"):
            return ""
        name = path.rsplit("/", 1)[-1]
        inner = body[len("<%s>" % name):body.rindex("</%s>" % name)]
        for entity, char in (("&lt;", "<"), ("&gt;", ">"), ("&quot;", '"'), ("&apos;", "'"),
                             ("&amp;", "&")):
            inner = inner.replace(entity, char)
        return inner


def _attributes(text):
    return {name.decode(): value.decode("utf-8")
            for name, value in re.findall(rb'([\w:.-]+)="([^"]*)"', text or b"")}
