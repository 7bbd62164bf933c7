"""Drops files on a window of the virtual display the way a file manager does:
the X drag-and-drop protocol (XDND) spoken from a window of our own, which Wine
turns into WM_DROPFILES. Only text/uri-list is offered; the Linux paths must
lie inside the sandbox's drives, whose folders Wine maps them to."""

import sys
import time
import urllib.parse

try:
    from Xlib import X, display as xdisplay, protocol
except ImportError:  # Debian's package, when another Python runs the tests
    sys.path.append("/usr/lib/python3/dist-packages")
    from Xlib import X, display as xdisplay, protocol

XDND_VERSION = 5


class DropError(Exception):
    pass


def drop(display_name, window, x, y, paths, timeout=15.0):
    """Drops `paths` on the X window `window` (aimed at it: another machine's
    window may lie on top) at root position (x, y); returns when the target
    says it is finished, or raises DropError."""
    d = xdisplay.Display(display_name)
    try:
        return _drop(d, d.create_resource_object("window", window), x, y, paths, timeout)
    finally:
        d.close()


def _drop(d, target, x, y, paths, timeout):
    atom = d.intern_atom
    root = d.screen().root
    source = root.create_window(-10, -10, 1, 1, 0, X.CopyFromParent, X.InputOnly, X.CopyFromParent,
                                event_mask=X.PropertyChangeMask)
    uri_list = atom("text/uri-list")
    selection = atom("XdndSelection")
    payload = "".join("file://" + urllib.parse.quote(p) + "\r\n" for p in paths).encode()
    source.set_selection_owner(selection, X.CurrentTime)
    d.sync()

    def send(kind, data):
        event = protocol.event.ClientMessage(window=target, client_type=atom(kind),
                                             data=(32, [source.id] + data + [0] * (4 - len(data))))
        target.send_event(event, X.NoEventMask)
        d.flush()

    def serve(request):
        # Hand over the list for the target that asks for it; refuse anything else.
        prop = request.property or request.target
        if request.target == uri_list:
            request.requestor.change_property(prop, uri_list, 8, payload)
        elif request.target == atom("TARGETS"):
            request.requestor.change_property(prop, atom("ATOM"), 32, [uri_list])
        else:
            prop = X.NONE
        reply = protocol.event.SelectionNotify(time=request.time, requestor=request.requestor,
                                               selection=request.selection, target=request.target,
                                               property=prop)
        request.requestor.send_event(reply, X.NoEventMask)
        d.flush()

    def wait_for(kind):
        wanted = atom(kind)
        end = time.monotonic() + timeout
        while time.monotonic() < end:
            while d.pending_events():
                event = d.next_event()
                if event.type == X.SelectionRequest:
                    serve(event)
                elif event.type == X.ClientMessage and event.client_type == wanted:
                    return event.data[1]
            time.sleep(0.02)
        raise DropError("no %s from the target" % kind)

    send("XdndEnter", [XDND_VERSION << 24, uri_list, 0, 0])
    send("XdndPosition", [0, (x << 16) | y, X.CurrentTime, atom("XdndActionCopy")])
    status = wait_for("XdndStatus")
    if not status[1] & 1:
        send("XdndLeave", [])
        raise DropError("the window under %d,%d refused the drop" % (x, y))
    send("XdndDrop", [0, X.CurrentTime])
    wait_for("XdndFinished")
    source.destroy()
    d.sync()
    return True
