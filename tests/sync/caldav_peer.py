#!/usr/bin/python3
"""A second, independent CalDAV client for the sync tests.

    caldav_peer.py put URL USER PASSWORD UID SUMMARY   saves a to-do in the collection
    caldav_peer.py get URL USER PASSWORD UID           prints the to-do's summary
"""
import sys

import caldav
import icalendar


def main(argv):
    command, url, user, password, uid = argv[1:6]
    client = caldav.DAVClient(url=url, username=user, password=password)
    calendar = client.calendar(url=url)
    if command == "put":
        todo = icalendar.Todo()
        todo.add("uid", uid)
        todo.add("summary", argv[6])
        todo.add("dtstamp", icalendar.vDatetime.from_ical("20260101T000000Z"))
        cal = icalendar.Calendar()
        cal.add("prodid", "-//peer//tests//EN")
        cal.add("version", "2.0")
        cal.add_component(todo)
        calendar.save_todo(cal.to_ical().decode())
    elif command == "get":
        found = calendar.todo_by_uid(uid)
        for component in icalendar.Calendar.from_ical(found.data).walk("VTODO"):
            print(component.get("summary"))
    else:
        raise SystemExit("unknown command " + command)


if __name__ == "__main__":
    main(sys.argv)
