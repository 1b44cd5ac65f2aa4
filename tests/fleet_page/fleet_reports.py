"""Reports for the fleet's tests and benchmark: what sorvik-replay writes for the fixtures, and
copies of them made into other machines (names, identities, dates and software lists rewritten
in place, everything else as replayed)."""
import os
import re
import sys
import zlib

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "replay"))
import profiles  # noqa: E402  (the one runner of sorvik-replay)

FIXTURES = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "fixtures")


def replayed_reports(replay, names=None, fixtures=FIXTURES, command=""):
    """{fixture name: report bytes} for the named fixtures (else every one) whose run with
    `command` writes one report."""
    reports = {}
    for name in sorted(os.listdir(fixtures)) if names is None else names:
        profile = os.path.join(fixtures, name)
        if not os.path.isfile(os.path.join(profile, "machine.ini")):
            continue
        with profiles.replay(profile, command, timeout=600, exe=replay) as done:
            written = [os.path.join(folder, file) for folder, _, files in os.walk(done.c_root)
                       for file in files if file.lower().endswith(".xml")]
            if done.returncode == 0 and len(written) == 1:
                with open(written[0], "rb") as f:
                    reports[name] = f.read()
    return reports


def escape(text):
    return (text.replace("&", "&amp;").replace("<", "&lt;").replace(">", "&gt;")
            .replace('"', "&quot;").replace("'", "&apos;")).encode("utf-8")


def element_text(report, tag):
    """The unescaped text of the first `tag` element, "" when it is empty or missing."""
    found = re.search(rb"<%s>(.*?)</%s>" % (tag, tag), report, re.S)
    if not found:
        return ""
    text = found.group(1).decode("utf-8")
    for entity, char in (("&lt;", "<"), ("&gt;", ">"), ("&quot;", '"'), ("&apos;", "'"),
                         ("&amp;", "&")):
        text = text.replace(entity, char)
    return text


def set_element(report, tag, text):
    """Sets the first `tag` element (full or empty form) of the report to `text`, if present."""
    value = escape(text)
    replacement = b"<%s>%s</%s>" % (tag, value, tag) if value else b"<%s />" % tag
    pattern = rb"<%s>.*?</%s>|<%s />" % (tag, tag, tag)
    return re.sub(pattern, lambda _: replacement, report, count=1, flags=re.S)


def set_created(report, when):
    """`when` as a datetime: the report's creationDateTime."""
    stamp = when.strftime("%Y/%m/%d %H:%M:%S").encode()
    return re.sub(rb'creationDateTime="[^"]*"', b'creationDateTime="' + stamp + b'"', report,
                  count=1)


def rename_product(report, new_name, kind="application"):
    """Gives the first installed product of that type another name."""
    def rename(match):
        return set_element(match.group(0), b"name", new_name)
    return re.sub(rb'<installed type="%s">.*?</installed>' % kind.encode(), rename, report,
                  count=1, flags=re.S)


def _kept(seed, position, share):
    return zlib.crc32(b"%d:%d" % (seed, position)) % 100 < share


INSTALLED = re.compile(rb"\t<installed type=.*?</installed>\r\n", re.S)


def products(report):
    """The report's installed elements, each as written with its line break."""
    return INSTALLED.findall(report)


def recount(report):
    """Brings the statistics in line with the installed elements."""
    kinds = re.findall(rb'<installed type="([a-z]+)">', report)
    for tag, value in (("total", len(kinds)),
                       ("numberOfApplication", kinds.count(b"application")),
                       ("numberOfUpdate", kinds.count(b"update")),
                       ("numberOfComponent", kinds.count(b"component"))):
        report = set_element(report, tag.encode(), str(value))
    return report


def vary_software(report, seed, share=80, version_every=7, extra=()):
    """Keeps about `share` percent of the installed products (chosen by seed), gives every
    `version_every`th kept one another version, and adds the `extra` installed elements (from
    other replayed reports) at the end of the list."""
    def keep(match):
        position = keep.position = keep.position + 1
        if not _kept(seed, position, share):
            return b""
        entry = match.group(0)
        if (seed + position) % version_every == 0:
            entry = re.sub(rb"<version>([^<]*)</version>|<version />",
                           lambda _: b"<version>%d.%d</version>" % (seed % 9 + 1, position),
                           entry, count=1)
        return entry

    keep.position = 0
    report = INSTALLED.sub(keep, report)
    if extra and b"</software>" in report:
        report = report.replace(b"</software>", b"".join(extra) + b"</software>", 1)
    return recount(report)


def machine(report, number, name=None, user=None, when=None, software_seed=None, extra=()):
    """The report made into machine `number`: its own name, address, user and (in a system
    block) serial number and UUID."""
    report = set_element(report, b"computerName", name or "PC-%05d" % number)
    report = set_element(report, b"ip", "10.%d.%d.%d" % (number >> 16 & 255, number >> 8 & 255,
                                                        number & 255))
    if user is not None:
        report = set_element(report, b"userName", user)
    if b"<system>" in report:
        report = set_element(report, b"serialNumber", "SN%08d" % number)
        report = set_element(report, b"uuid", "%08X-0000-4000-8000-%012X" % (number, number))
    if when is not None:
        report = set_created(report, when)
    if software_seed is not None:
        report = vary_software(report, software_seed, extra=extra)
    return report


def write(folder, file_name, report):
    path = os.path.join(folder, file_name)
    with open(path, "wb") as f:
        f.write(report)
    return path
