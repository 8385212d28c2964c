#!/usr/bin/env python3
"""The guide's page: every link to a place in it finds that place, and every section is linked."""
import re
import sys

page = open(sys.argv[1], encoding="utf-8").read()
ids = re.findall(r'\sid="([^"]*)"', page)
links = set(re.findall(r'\shref="#([^"]*)"', page))
sections = re.findall(r"<h[23]( id=\"([^\"]*)\")?>", page)
problems = [f'id "{i}" twice' for i in sorted(set(ids)) if ids.count(i) > 1]
problems += [f'"#{link}" leads nowhere' for link in sorted(links - set(ids))]
problems += [f'section "{i}" has no link to it' if i else "a section without an id" for _, i in sections
             if i not in links]
for problem in problems:
    print(f"{sys.argv[1]}: {problem}", file=sys.stderr)
sys.exit(1 if problems or not sections else 0)
