#!/usr/bin/env python3
"""The guide's page: every link to a place in it finds that place, every section is linked, and
every screenshot it shows lies beside it as a PNG, described for a reader who cannot see it."""
import os
import re
import sys

page = open(sys.argv[1], encoding="utf-8").read()
ids = re.findall(r'\sid="([^"]*)"', page)
links = set(re.findall(r'\shref="#([^"]*)"', page))
sections = re.findall(r"<h[23]( id=\"([^\"]*)\")?>", page)
images = re.findall(r"<img\b([^>]*)>", page)
problems = [f'id "{i}" twice' for i in sorted(set(ids)) if ids.count(i) > 1]
problems += [f'"#{link}" leads nowhere' for link in sorted(links - set(ids))]
problems += [f'section "{i}" has no link to it' if i else "a section without an id" for _, i in sections
             if i not in links]
for image in images:
    source = re.search(r'\ssrc="([^"]*)"', image)
    path = os.path.join(os.path.dirname(sys.argv[1]), source.group(1)) if source else ""
    name = source.group(1) if source else image.strip()
    if not source or "/" in name or not os.path.isfile(path):
        problems.append(f"the image {name} is not beside the page")
    elif open(path, "rb").read(8) != b"\x89PNG\r\n\x1a\n":
        problems.append(f"{name} is no PNG")
    if not re.search(r'\salt="[^"]+"', image):
        problems.append(f"the image {name} has no description")
problems += ["no screenshot"] if not images else []
for problem in problems:
    print(f"{sys.argv[1]}: {problem}", file=sys.stderr)
sys.exit(1 if problems or not sections else 0)
