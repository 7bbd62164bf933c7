#!/usr/bin/env python3
"""Compiles the program's help (help/*.html, UTF-8) into Zel.chm.

The pages are written in code page 932 with a Shift_JIS charset, the
Japanese language id, a contents file listing the pages in their order, and
compiled by chmcmd (Debian's fp-utils).

usage: build_help.py SOURCE_DIR WORK_DIR OUTPUT_CHM
"""
import os
import re
import shutil
import subprocess
import sys

PAGES = ["index.html", "start.html", "test.html", "check_wash.html", "extract.html", "options.html", "keys.html"]


def main():
    source, work, output = sys.argv[1:4]
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    toc = ['<html><head><meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS"></head><body>',
           '<object type="text/site properties"></object>', "<ul>"]
    for page in PAGES:
        with open(os.path.join(source, page), encoding="utf-8") as f:
            html = f.read()
        html = html.replace("<head>", '<head><meta http-equiv="Content-Type" content="text/html; charset=Shift_JIS">', 1)
        with open(os.path.join(work, page), "wb") as f:
            f.write(html.encode("cp932"))
        title = re.search(r"<title>(.*?)</title>", html).group(1)
        toc.append('<li><object type="text/sitemap"><param name="Name" value="%s">'
                   '<param name="Local" value="%s"></object>' % (title, page))
    toc += ["</ul>", "</body></html>"]
    with open(os.path.join(work, "toc.hhc"), "wb") as f:
        f.write("\r\n".join(toc).encode("cp932"))
    project = ["[OPTIONS]", "Compatibility=1.1 or later", "Compiled file=Zel.chm", "Contents file=toc.hhc",
               "Default topic=index.html", "Display compile progress=No", "Language=0x411 Japanese",
               "Title=ゼルカ ヘルプ", "", "[FILES]"] + PAGES
    with open(os.path.join(work, "Zel.hhp"), "wb") as f:
        f.write("\r\n".join(project).encode("cp932"))
    subprocess.run(["chmcmd-3.2.2", "--no-html-scan", "Zel.hhp"], cwd=work, check=True, stdout=subprocess.DEVNULL)
    shutil.copyfile(os.path.join(work, "Zel.chm"), output)


if __name__ == "__main__":
    main()
