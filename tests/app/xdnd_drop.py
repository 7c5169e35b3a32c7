#!/usr/bin/python3
"""Drops files on an X window the way a file manager does (XDND, text/uri-list).

Usage: xdnd_drop.py WINDOW_ID X Y FILE...

WINDOW_ID is the top-level window to drop on (as xdotool prints it), X and Y
the root-window point of the drop. Exits 0 when the target accepted and
finished the drop, 1 otherwise.
"""
import sys
import time
import urllib.parse

from Xlib import X, Xatom, display, protocol

XDND_VERSION = 5


def file_uri(path):
    return "file://" + urllib.parse.quote(path, safe="/")


def send_client_message(d, target, message_type, data):
    event = protocol.event.ClientMessage(window=target, client_type=message_type, data=(32, data))
    target.send_event(event, event_mask=0, propagate=False)
    d.flush()


def next_event(d, source, timeout):
    """The next event for the source window, or None after timeout seconds."""
    end = time.time() + timeout
    while time.time() < end:
        while d.pending_events():
            event = d.next_event()
            if getattr(event, "window", None) == source or event.type == X.SelectionRequest:
                return event
        time.sleep(0.01)
    return None


def main(argv):
    if len(argv) < 5:
        print(__doc__, file=sys.stderr)
        return 2
    window_id, x, y, files = int(argv[1], 0), int(argv[2]), int(argv[3]), argv[4:]
    d = display.Display()
    atom = lambda name: d.intern_atom(name)
    target = d.create_resource_object("window", window_id)
    aware = target.get_full_property(atom("XdndAware"), Xatom.ATOM)
    if not aware:
        print("xdnd_drop: the window does not accept drops", file=sys.stderr)
        return 1
    version = min(XDND_VERSION, aware.value[0])
    source = d.screen().root.create_window(0, 0, 1, 1, 0, X.CopyFromParent)
    uri_list_type = atom("text/uri-list")
    payload = "".join(file_uri(f) + "\r\n" for f in files).encode("utf-8")
    selection = atom("XdndSelection")
    source.set_selection_owner(selection, X.CurrentTime)
    d.flush()

    send_client_message(d, target, atom("XdndEnter"), [source.id, version << 24, uri_list_type, 0, 0])
    send_client_message(d, target, atom("XdndPosition"),
                        [source.id, 0, (x << 16) | y, X.CurrentTime, atom("XdndActionCopy")])
    accepted = False
    dropped = False
    end = time.time() + 20
    while time.time() < end:
        event = next_event(d, source, end - time.time())
        if event is None:
            break
        if event.type == X.SelectionRequest:
            # The target fetches the dropped list.
            if event.target == uri_list_type:
                event.requestor.change_property(event.property, uri_list_type, 8, payload)
                prop = event.property
            else:
                prop = X.NONE
            notify = protocol.event.SelectionNotify(time=event.time, requestor=event.requestor,
                                                    selection=event.selection, target=event.target, property=prop)
            event.requestor.send_event(notify)
            d.flush()
            continue
        if event.type != X.ClientMessage:
            continue
        kind = d.get_atom_name(event.client_type)
        data = event.data[1]
        if kind == "XdndStatus" and not dropped:
            accepted = bool(data[1] & 1)
            if not accepted:
                break
            send_client_message(d, target, atom("XdndDrop"), [source.id, 0, X.CurrentTime, 0, 0])
            dropped = True
        elif kind == "XdndFinished":
            return 0
    if dropped:
        print("xdnd_drop: no XdndFinished from the target", file=sys.stderr)
    else:
        print("xdnd_drop: the target did not accept the drop", file=sys.stderr)
        send_client_message(d, target, atom("XdndLeave"), [source.id, 0, 0, 0, 0])
    return 1


if __name__ == "__main__":
    sys.exit(main(sys.argv))
