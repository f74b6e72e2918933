#!/usr/bin/python3
"""Expands the repeat rule of every to-do of an iCalendar file with libraries
of their own (icalendar to read, dateutil to expand), as another program
would, and prints per line: UID, then the first N start times as local wall
clock times of the to-do's own zone (YYYY-MM-DDTHH:MM)."""
import sys

from dateutil.rrule import rrulestr
from icalendar import Calendar


def main(path, count):
    # The zone is looked up by its name in the system's zone database; the
    # file's own zone description is left out, so that a fault in it cannot
    # hide a fault in the times.
    kept, inside = [], False
    with open(path, 'rb') as f:
        for line in f.read().splitlines():
            if line == b'BEGIN:VTIMEZONE':
                inside = True
            if not inside:
                kept.append(line)
            if line == b'END:VTIMEZONE':
                inside = False
    calendar = Calendar.from_ical(b'\r\n'.join(kept) + b'\r\n')
    for todo in calendar.walk('VTODO'):
        rule = todo.get('RRULE')
        if rule is None:
            continue
        start = todo.decoded('DTSTART')
        times = rrulestr(rule.to_ical().decode(), dtstart=start)
        out = [str(todo.get('UID'))]
        for i, t in enumerate(times):
            if i == count:
                break
            out.append(t.strftime('%Y-%m-%dT%H:%M'))
        print(' '.join(out))


if __name__ == '__main__':
    main(sys.argv[1], int(sys.argv[2]))
