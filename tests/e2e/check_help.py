#!/usr/bin/env python3
"""Checks the compiled help file as HTML Help will read it.

Unpacks Tarvex.chm with chmls (fp-utils) and checks, inside the file itself:
- the project's contents file, index file and default topic are there;
- every entry of the table of contents and of the index opens a page that is there,
  and every page is reachable from the table of contents;
- every href and src of every page resolves to a file in the .chm, and a link to a part of
  a page finds its anchor there;
- no page runs a script or links outside the file, except to the product's web site.

    check_help.py Tarvex.chm
"""
import html.parser
import os
import posixpath
import re
import subprocess
import sys
import tempfile
import urllib.parse

PRODUCT_SITE = "www.quillmont.com"


class Page(html.parser.HTMLParser):
    """The links, anchors, scripts and sitemap entries of one HTML file."""

    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.links = []  # (attribute, value)
        self.anchors = set()
        self.scripts = 0
        self.entries = []  # sitemap objects of a contents or index file: {param: value}
        self._entry = None

    def handle_starttag(self, tag, attrs):
        attrs = {k.lower(): (v or "") for k, v in attrs}
        if tag == "script" or any(k.startswith("on") for k in attrs):
            self.scripts += 1
        for key in ("href", "src"):
            if key in attrs:
                self.links.append((key, attrs[key]))
        for key in ("name", "id"):
            if key in attrs and tag in ("a", "h1", "h2", "h3", "div", "p", "table"):
                self.anchors.add(attrs[key])
        if tag == "object" and attrs.get("type", "").lower() == "text/sitemap":
            self._entry = {}
        elif tag == "param" and self._entry is not None:
            self._entry.setdefault(attrs.get("name", "").lower(), []).append(attrs.get("value", ""))

    def handle_endtag(self, tag):
        if tag == "object" and self._entry is not None:
            self.entries.append(self._entry)
            self._entry = None


def parse(path):
    page = Page()
    with open(path, encoding="latin-1") as f:  # the pages are plain ASCII with entities
        page.feed(f.read())
    page.close()
    return page


def unpack(chm, into):
    """Every file of the .chm under `into`, by its path inside the file (without the leading /)."""
    subprocess.run(["chmls", "extractall", chm, into], check=True, stdout=subprocess.DEVNULL)
    files = set()
    for root, _, names in os.walk(into):
        for name in names:
            files.add(os.path.relpath(os.path.join(root, name), into).replace(os.sep, "/"))
    return files


def system_entries(chm):
    """The #SYSTEM record: which contents file, index file and default topic HTML Help opens."""
    out = subprocess.run(["chmls", "printsystem", chm], check=True, capture_output=True, text=True).stdout
    found = {}
    for key, pattern in (("contents", r"contents file[^:\n]*:\s*([^\s\x00]+)"), ("index", r"index file[^:\n]*:\s*([^\s\x00]+)"),
                         ("default", r"default topic[^:\n]*:\s*([^\s\x00]+)")):
        m = re.search(pattern, out, re.IGNORECASE)
        if m:
            found[key] = m.group(1).lstrip("/")
    return found, out


def check(chm):
    problems = []
    with tempfile.TemporaryDirectory() as tmp:
        files = unpack(chm, tmp)
        lower = {f.lower(): f for f in files}  # HTML Help finds names without regard to case

        def resolve(base, target):
            """The file `target` names from page `base`, or None when it is not in the .chm."""
            path = posixpath.normpath(posixpath.join(posixpath.dirname(base), urllib.parse.unquote(target)))
            return lower.get(path.lower())

        system, raw = system_entries(chm)
        for key in ("contents", "index", "default"):
            if key not in system:
                problems.append(f"#SYSTEM names no {key} file:\n{raw}")
            elif system[key].lower() not in lower:
                problems.append(f"#SYSTEM {key} file {system[key]} is not in the .chm")
        if problems:
            return problems

        pages = sorted(f for f in files if f.lower().endswith((".htm", ".html")))
        if not pages:
            return ["no pages in the .chm"]
        parsed = {p: parse(os.path.join(tmp, p)) for p in pages}

        def sitemap(key):
            name = lower[system[key].lower()]
            entries = parse(os.path.join(tmp, name)).entries
            if not entries:
                problems.append(f"{name} has no entries")
            opened = set()
            for entry in entries:
                title = (entry.get("name") or [""])[0]
                if not title.strip():
                    problems.append(f"{name}: an entry without a name: {entry}")
                for local in entry.get("local", []):
                    target, _, anchor = local.partition("#")
                    page = resolve(name, target)
                    if page is None:
                        problems.append(f"{name}: \"{title}\" opens {local}, which is not in the .chm")
                        continue
                    opened.add(page)
                    if anchor and anchor not in parsed[page].anchors:
                        problems.append(f"{name}: \"{title}\" opens {local}, which has no anchor {anchor}")
                if not entry.get("local") and key == "index" and not entry.get("see also"):
                    problems.append(f"{name}: \"{title}\" opens no page")
            return opened

        in_contents = sitemap("contents")
        sitemap("index")
        for page in pages:
            if page not in in_contents:
                problems.append(f"{page} is in the .chm but not in the table of contents")

        for page, content in parsed.items():
            if content.scripts:
                problems.append(f"{page}: runs a script")
            for attribute, link in content.links:
                url = urllib.parse.urlsplit(link)
                if url.scheme or link.startswith("//"):
                    if url.scheme not in ("http", "https") or url.hostname != PRODUCT_SITE:
                        problems.append(f"{page}: {attribute}=\"{link}\" leaves the help file")
                    continue
                if not url.path:  # a part of this page
                    if url.fragment and url.fragment not in content.anchors:
                        problems.append(f"{page}: {attribute}=\"{link}\" names no anchor of this page")
                    continue
                target = resolve(page, url.path)
                if target is None:
                    problems.append(f"{page}: {attribute}=\"{link}\" is not in the .chm")
                elif url.fragment and (target not in parsed or url.fragment not in parsed[target].anchors):
                    problems.append(f"{page}: {attribute}=\"{link}\": no anchor {url.fragment} in {target}")
        print(f"{chm}: {len(pages)} pages, {len(in_contents)} in the table of contents")
    return problems


def main():
    if len(sys.argv) != 2:
        sys.exit(__doc__)
    problems = check(sys.argv[1])
    for p in problems:
        print(p)
    sys.exit(1 if problems else 0)


if __name__ == "__main__":
    main()
