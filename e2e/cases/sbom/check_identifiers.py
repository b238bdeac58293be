#!/usr/bin/env python3
"""Checks that an SPDX and a CycloneDX document of one run agree.

usage: check_identifiers.py SPDX CYCLONEDX [4|5]

- Both describe the same package names, in the same order.
- Every SPDX package has exactly one purl external reference, the purl of
  the CycloneDX component of that name, and a cpe23Type reference exactly
  when that component has a cpe, with the same value.
- The CycloneDX serialNumber is urn:uuid: and an RFC 4122 UUID of the
  version given (4 or 5; either when none is given); a version 5 UUID must
  be the one Python's uuid module derives from the document's text without
  its serialNumber line, in the tool's namespace.
Prints each problem and exits 1 when there is any.
"""
import json
import re
import sys
import uuid

NAMESPACE = uuid.UUID("aa4dd474-916f-42e6-a736-b7589459d030")


def refs(package, kind):
    return [r["referenceLocator"] for r in package.get("externalRefs", [])
            if r["referenceType"] == kind]


def main():
    spdx_text = open(sys.argv[1], encoding="utf-8").read()
    cdx_text = open(sys.argv[2], encoding="utf-8").read()
    version = sys.argv[3] if len(sys.argv) > 3 else None
    spdx, cdx = json.loads(spdx_text), json.loads(cdx_text)
    problems = []
    names = [p["name"] for p in spdx["packages"]]
    if names != [c["name"] for c in cdx["components"]]:
        problems.append("the documents list different packages")
    components = {c["name"]: c for c in cdx["components"]}
    for p in spdx["packages"]:
        c = components.get(p["name"], {})
        purls, cpes = refs(p, "purl"), refs(p, "cpe23Type")
        if purls != [c.get("purl")]:
            problems.append("%s: SPDX purls %s, CycloneDX %s" % (
                p["name"], purls, c.get("purl")))
        if cpes != ([c["cpe"]] if "cpe" in c else []):
            problems.append("%s: SPDX CPEs %s, CycloneDX %s" % (
                p["name"], cpes, c.get("cpe")))
    serial = cdx.get("serialNumber", "")
    m = re.fullmatch(r"urn:uuid:([0-9a-f]{8}-[0-9a-f]{4}-([45])[0-9a-f]{3}-"
                     r"[89ab][0-9a-f]{3}-[0-9a-f]{12})", serial)
    if not m or (version and m.group(2) != version):
        problems.append("serialNumber %r is not a version %s UUID" % (
            serial, version or "4 or 5"))
    elif m.group(2) == "5":
        line = '  "serialNumber": "%s",\n' % serial
        want = uuid.uuid5(NAMESPACE, cdx_text.replace(line, "", 1))
        # uuid5 takes a str and hashes its UTF-8 bytes, the file's bytes.
        if str(want) != m.group(1):
            problems.append("serialNumber %s, derived %s" % (m.group(1), want))
    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
