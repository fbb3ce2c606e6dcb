#!/usr/bin/python3
"""An iCalendar file checked with nothing but the standard library: lines,
folding, components, the properties each must carry and the form of its
dates. Prints one line per event (UID, DTSTART, SUMMARY) and exits 0 when
the file is sound; otherwise prints why and exits 1."""
import re
import sys

NAME = r"[A-Za-z0-9-]+"
PARAM = NAME + r'=(?:"[^"]*"|[^";:,]*)(?:,(?:"[^"]*"|[^";:,]*))*'
CONTENT = re.compile(r"^(" + NAME + r")((?:;" + PARAM + r")*):(.*)$")
DATE = re.compile(r"^\d{8}$")
DATETIME = re.compile(r"^\d{8}T\d{6}Z?$")


def fail(why):
    print("INVALID: " + why)
    sys.exit(1)


def unescape(text):
    return re.sub(r"\\([\\;,nN])", lambda m: "\n" if m.group(1) in "nN" else m.group(1), text)


def main(path):
    data = open(path, "rb").read()
    # A byte-order mark before the first line is read past, as calendar programs do.
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    if not data.endswith(b"\r\n"):
        fail("the last line has no CRLF")
    physical = data[:-2].split(b"\r\n")
    for n, raw in enumerate(physical, 1):
        if b"\n" in raw or b"\r" in raw:
            fail("bare line break in line %d" % n)
        if len(raw) > 75:
            fail("line %d is %d octets long" % (n, len(raw)))
        raw.decode("utf-8")
    lines = []
    for raw in physical:
        text = raw.decode("utf-8")
        if text[:1] in (" ", "\t"):
            if not lines:
                fail("continuation before any line")
            lines[-1] += text[1:]
        else:
            lines.append(text)

    stack, events, calendars = [], [], 0
    for line in lines:
        m = CONTENT.match(line)
        if not m:
            fail("not a content line: " + line)
        name, params, value = m.group(1).upper(), m.group(2), m.group(3)
        if name == "BEGIN":
            stack.append({"kind": value.upper(), "props": {}})
            continue
        if name == "END":
            if not stack or stack[-1]["kind"] != value.upper():
                fail("END:%s does not close %s" % (value, stack[-1]["kind"] if stack else "anything"))
            comp = stack.pop()
            props = comp["props"]
            if comp["kind"] == "VCALENDAR":
                calendars += 1
                for p in ("VERSION", "PRODID"):
                    if len(props.get(p, [])) != 1:
                        fail("the calendar needs one %s" % p)
            if comp["kind"] == "VEVENT":
                for p in ("UID", "DTSTAMP", "DTSTART"):
                    if len(props.get(p, [])) != 1:
                        fail("an event needs one %s: %s" % (p, props.get("UID")))
                if "DTEND" in props and "DURATION" in props:
                    fail("an event with both DTEND and DURATION")
                for p in ("DTSTART", "DTEND", "DTSTAMP", "LAST-MODIFIED", "CREATED", "RECURRENCE-ID"):
                    for prm, val in props.get(p, []):
                        if "VALUE=DATE" in prm.upper() and "VALUE=DATE-TIME" not in prm.upper():
                            if not DATE.match(val):
                                fail("%s is not a date: %s" % (p, val))
                        elif not DATETIME.match(val):
                            fail("%s is not a date-time: %s" % (p, val))
                        if p in ("DTSTAMP", "LAST-MODIFIED", "CREATED") and not val.endswith("Z"):
                            fail("%s must be UTC: %s" % (p, val))
                events.append(props)
            continue
        if not stack:
            fail("a property outside any component: " + line)
        stack[-1]["props"].setdefault(name, []).append((params, value))
    if stack:
        fail("%s is never closed" % stack[-1]["kind"])
    if calendars != 1:
        fail("%d calendars in the file" % calendars)
    for e in events:
        summary = unescape(e.get("SUMMARY", [("", "")])[0][1])
        print("%s|%s|%s" % (e["UID"][0][1], e["DTSTART"][0][1], summary))


if __name__ == "__main__":
    main(sys.argv[1])
