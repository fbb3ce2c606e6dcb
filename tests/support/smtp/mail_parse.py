#!/usr/bin/python3
"""Parses messages with Python's email package and prints, as one JSON list,
what tests check: decoded headers, the MIME tree's leaves with their types,
dispositions, file names, content identifiers and decoded contents, the
parser's defects, and the raw form's longest line and bare line feeds."""
import email
import email.policy
import base64
import hashlib
import json
import sys


def describe(path):
    raw = open(path, "rb").read()
    msg = email.message_from_bytes(raw, policy=email.policy.default)
    head = raw.split(b"\r\n\r\n", 1)[0]
    out = {
        "subject": str(msg["subject"]),
        "from_name": msg["from"].addresses[0].display_name,
        "from_addr": msg["from"].addresses[0].addr_spec,
        "to": [[a.display_name, a.addr_spec] for a in msg["to"].addresses] if msg["to"] else [],
        "message_id": str(msg["message-id"]),
        "date": str(msg["date"]),
        "content_type": msg.get_content_type(),
        "raw_head": head.decode("latin-1"),
        "max_line": max(len(l) for l in raw.split(b"\r\n")),
        "bare_lf": raw.replace(b"\r\n", b"").count(b"\n"),
        "defects": [type(d).__name__ for d in msg.defects],
        "parts": [],
    }
    for part in msg.walk():
        out["defects"] += [type(d).__name__ for d in part.defects]
        if part.is_multipart():
            out["parts"].append({"type": part.get_content_type()})
            continue
        entry = {
            "type": part.get_content_type(),
            "disposition": part.get_content_disposition(),
            "filename": part.get_filename(),
            "cid": part["content-id"] and str(part["content-id"]).strip("<>"),
        }
        if part.get_content_maintype() == "text":
            entry["text"] = part.get_content()
        else:
            data = part.get_payload(decode=True)
            entry["size"] = len(data)
            entry["sha256"] = hashlib.sha256(data).hexdigest()
            if len(data) <= 262144:
                entry["data_b64"] = base64.b64encode(data).decode()
        out["parts"].append(entry)
    return out


print(json.dumps([describe(p) for p in sys.argv[1:]]))
