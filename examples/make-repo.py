#!/usr/bin/env python3
"""Writes the example repository examples/repo/All/*.pkg.

Each package is laid out as FreeBSD's package tool writes one: a tar archive
whose first members are +COMPACT_MANIFEST and +MANIFEST (compact JSON), then
the files under their absolute paths, compressed with zstd (xz for one, as
older repositories have). File sums in the manifests are the SHA-256 of the
files' contents. The output is reproducible: run it again and the packages
come out byte for byte the same.
"""
import hashlib
import io
import json
import os
import subprocess
import tarfile

HERE = os.path.dirname(os.path.abspath(__file__))
MTIME = 1735689600
GIT_HASH = "5f0c2a1b9e8d7c6b5a4f3e2d1c0b9a8f7e6d5c4b"

PACKAGES = [
    {
        "name": "curl", "version": "8.9.1_1", "origin": "ftp/curl",
        "cpe": "cpe:2.3:a:haxx:curl:8.9.1:::::freebsd14:x64:1",
        "comment": "Command line tool and library for transferring data with URLs",
        "www": "https://curl.se/", "licenses": ["MIT"], "licenselogic": "single",
        "categories": ["ftp", "net", "www"],
        "deps": {"ca_root_nss": {"origin": "security/ca_root_nss", "version": "3.104"},
                 "libnghttp2": {"origin": "www/libnghttp2", "version": "1.63.0"}},
        "options": {"HTTP2": "on", "IPV6": "on", "DOCS": "off"},
        "files": [
            ("/usr/local/bin/curl", 0o755, "#!/bin/sh\n# curl 8.9.1 stand-in\nexec true\n"),
            ("/usr/local/bin/curl-config", 0o755, "#!/bin/sh\necho 8.9.1\n"),
            ("/usr/local/lib/libcurl.so.4.8.0", 0o755, "ELF stand-in for libcurl\n"),
            ("/usr/local/include/curl/curl.h", 0o644, "/* curl.h */\n"),
            ("/usr/local/share/man/man1/curl.1.gz", 0o644, "curl manual\n"),
        ],
        "filter": "zstd",
    },
    {
        "name": "ca_root_nss", "version": "3.104", "origin": "security/ca_root_nss",
        "comment": "Root certificate bundle from the Mozilla Project",
        "www": "https://firefox-source-docs.mozilla.org/security/nss/", "licenses": ["MPL20"],
        "licenselogic": "single", "categories": ["security"], "deps": {},
        "files": [
            ("/usr/local/share/certs/ca-root-nss.crt", 0o444, "-----BEGIN CERTIFICATE-----\n"),
            ("/usr/local/etc/ssl/cert.pem.sample", 0o644, "# sample\n"),
        ],
        "filter": "xz",
    },
    {
        "name": "sudo", "version": "1.9.15p5", "origin": "security/sudo",
        "comment": "Allow others to run commands as root",
        "www": "https://www.sudo.ws/", "licenses": ["sudo"], "licenselogic": "single",
        "categories": ["security"], "deps": {},
        "files": [
            ("/usr/local/bin/sudo", 0o4111, "sudo stand-in\n"),
            ("/usr/local/sbin/visudo", 0o555, "visudo stand-in\n"),
            ("/usr/local/etc/sudoers.sample", 0o440, "root ALL=(ALL:ALL) ALL\n"),
        ],
        "filter": "zstd",
    },
    {
        "name": "uefi-edk2-bhyve", "version": "g202405", "origin": "sysutils/edk2",
        "comment": "UEFI EDK2 firmware for bhyve",
        "www": "https://github.com/tianocore/edk2", "licenses": ["BSD2CLAUSE"],
        "licenselogic": "single", "categories": ["sysutils"], "deps": {},
        "files": [
            ("/usr/local/share/uefi-firmware/BHYVE_UEFI.fd", 0o644, "firmware image\n"),
            ("/usr/local/share/uefi-firmware/BHYVE_UEFI_VARS.fd", 0o644, "firmware vars\n"),
        ],
        "filter": "zstd",
    },
    {
        "name": "libxml2", "version": "2.11.7", "origin": "textproc/libxml2",
        "comment": "XML parser library for GNOME",
        "www": "https://gitlab.gnome.org/GNOME/libxml2", "licenses": ["MIT"],
        "licenselogic": "single", "categories": ["textproc", "gnome"], "deps": {},
        "files": [
            ("/usr/local/bin/xmllint", 0o755, "xmllint stand-in\n"),
            ("/usr/local/lib/libxml2.so.2.11.7", 0o755, "ELF stand-in for libxml2\n"),
            ("/usr/local/include/libxml2/libxml/parser.h", 0o644, "/* parser.h */\n"),
        ],
        "filter": "zstd",
    },
    {
        "name": "Zelkor-agent", "version": "3.2.0", "origin": "Zelkor/agent",
        "comment": "Zelkor endpoint agent", "www": "https://example.org/agent",
        "licenses": ["MIT"], "licenselogic": "single", "categories": ["sysutils"],
        "deps": {"curl": {"origin": "ftp/curl", "version": "8.9.1_1"}},
        "files": [
            ("/usr/local/sbin/zelkor-agent", 0o755, "agent stand-in\n"),
            ("/usr/local/etc/zelkor/agent.conf", 0o644, "interval=60\n"),
            ("/usr/local/share/zelkor/agent/policy.json", 0o644, "{}\n"),
        ],
        "filter": "zstd",
    },
]


def member(name, data, mode):
    info = tarfile.TarInfo(name)
    info.size = len(data)
    info.mode = mode
    info.mtime = MTIME
    info.uname, info.gname = "root", "wheel"
    return info, io.BytesIO(data)


def build(pkg, out_dir):
    files = {}
    flatsize = 0
    for path, mode, text in pkg["files"]:
        data = text.encode()
        flatsize += len(data)
        files[path] = {"sum": "1$" + hashlib.sha256(data).hexdigest(),
                       "uname": "root", "gname": "wheel",
                       "perm": "%04o" % mode, "mtime": MTIME}
    manifest = {
        "name": pkg["name"], "origin": pkg["origin"], "version": pkg["version"],
        "comment": pkg["comment"], "maintainer": "ports@FreeBSD.org",
        "www": pkg["www"], "abi": "FreeBSD:14:amd64", "arch": "freebsd:14:x86:64",
        "prefix": "/usr/local", "flatsize": flatsize,
        "licenselogic": pkg["licenselogic"], "licenses": pkg["licenses"],
        "desc": pkg["comment"] + ".", "deps": pkg["deps"],
        "categories": pkg["categories"],
    }
    if "options" in pkg:
        manifest["options"] = pkg["options"]
    manifest["annotations"] = {"FreeBSD_version": "1402000",
                               "ports_top_git_hash": GIT_HASH}
    if "cpe" in pkg:
        manifest["annotations"]["cpe"] = pkg["cpe"]
    compact = dict(manifest)
    manifest["files"] = files
    text = lambda m: json.dumps(m, separators=(",", ":")).encode()

    raw = io.BytesIO()
    with tarfile.open(fileobj=raw, mode="w", format=tarfile.PAX_FORMAT) as tar:
        tar.addfile(*member("+COMPACT_MANIFEST", text(compact), 0o644))
        tar.addfile(*member("+MANIFEST", text(manifest), 0o644))
        for path, mode, body in sorted(pkg["files"]):
            tar.addfile(*member(path, body.encode(), mode))
    tool = ["zstd", "-q", "-19", "-c"] if pkg["filter"] == "zstd" else ["xz", "-c"]
    packed = subprocess.run(tool, input=raw.getvalue(), check=True,
                            stdout=subprocess.PIPE).stdout
    path = os.path.join(out_dir, f"{pkg['name']}-{pkg['version']}.pkg")
    with open(path, "wb") as f:
        f.write(packed)


def main():
    out_dir = os.path.join(HERE, "repo", "All")
    os.makedirs(out_dir, exist_ok=True)
    for pkg in PACKAGES:
        build(pkg, out_dir)


if __name__ == "__main__":
    main()
