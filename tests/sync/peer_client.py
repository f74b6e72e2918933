#!/usr/bin/python3
"""A second, independent CalDAV client for the sync tests.

  peer_client.py add URL USER PASSWORD UID SUMMARY DUE CATEGORY
      writes a to-do (DUE as 20261215T100000Z) into the collection at URL
  peer_client.py list URL USER PASSWORD
      prints every to-do of the collection as JSON lines:
      uid, summary, description, categories, due (UTC), status
"""
import json
import sys

import caldav
import icalendar


def collection(url, user, password):
    client = caldav.DAVClient(url, username=user, password=password)
    return caldav.Calendar(client=client, url=url)


def add(url, user, password, uid, summary, due, category):
    calendar = icalendar.Calendar()
    calendar.add("prodid", "-//Peer test client//EN")
    calendar.add("version", "2.0")
    todo = icalendar.Todo()
    todo.add("uid", uid)
    todo.add("dtstamp", icalendar.vDDDTypes.from_ical("20261210T080000Z"))
    todo.add("summary", summary)
    todo.add("due", icalendar.vDDDTypes.from_ical(due))
    todo.add("categories", [category])
    todo.add("status", "NEEDS-ACTION")
    calendar.add_component(todo)
    collection(url, user, password).save_todo(calendar.to_ical().decode())


def list_todos(url, user, password):
    for item in collection(url, user, password).todos(include_completed=True):
        for component in icalendar.Calendar.from_ical(item.data).walk("VTODO"):
            if component.get("recurrence-id") is not None:
                continue
            due = component.get("due")
            categories = component.get("categories")
            if isinstance(categories, list):
                categories = categories[0]
            print(json.dumps({
                "uid": str(component.get("uid")),
                "summary": str(component.get("summary", "")),
                "description": str(component.get("description", "")),
                "categories": ",".join(str(c) for c in categories.cats) if categories is not None else "",
                "due": due.dt.astimezone(__import__("datetime").timezone.utc).strftime("%Y%m%dT%H%M%SZ") if due else "",
                "status": str(component.get("status", "")),
            }))


if __name__ == "__main__":
    command, args = sys.argv[1], sys.argv[2:]
    if command == "add":
        add(*args)
    elif command == "list":
        list_todos(*args)
    else:
        sys.exit("unknown command " + command)
