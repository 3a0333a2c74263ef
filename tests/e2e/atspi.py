"""Finding and driving the desktop program's widgets over AT-SPI, as a screen
reader would: by role and visible name. Every wait is bounded."""

import time

import pyatspi


class Failure(Exception):
    pass


def wait_for(predicate, timeout, what, period=0.05):
    """Returns predicate()'s first true value within `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure("timed out after %.1f s waiting for %s" % (timeout, what() if callable(what) else what))
        time.sleep(period)


def application(name, timeout=15.0):
    def look():
        desktop = pyatspi.Registry.getDesktop(0)
        for i in range(desktop.childCount):
            app = desktop.getChildAtIndex(i)
            if app is not None and app.name == name:
                return app
        return None
    return wait_for(look, timeout, "application %r on the accessibility bus" % name)


def applications(name):
    desktop = pyatspi.Registry.getDesktop(0)
    return [desktop.getChildAtIndex(i) for i in range(desktop.childCount)
            if desktop.getChildAtIndex(i) is not None and desktop.getChildAtIndex(i).name == name]


def role(node):
    try:
        return node.getRoleName()
    except Exception:  # a node that went away while we looked
        return ""


def children(node):
    try:
        return [node.getChildAtIndex(i) for i in range(node.childCount)]
    except Exception:
        return []


def find_all(root, role_name=None, name=None, limit=5000):
    """Nodes under root (breadth first) with that role and/or name."""
    found, queue, seen = [], [root], 0
    while queue and seen < limit:
        node = queue.pop(0)
        seen += 1
        if node is None:
            continue
        try:
            ok = (role_name is None or role(node) == role_name) and (name is None or node.name == name)
        except Exception:
            ok = False
        if ok and node is not root:
            found.append(node)
        queue.extend(children(node))
    return found


def find(root, role_name=None, name=None, timeout=10.0):
    return wait_for(lambda: (find_all(root, role_name, name) or [None])[0], timeout,
                    "%s %r" % (role_name or "node", name))


def actions(node):
    try:
        action = node.queryAction()
        return [action.getName(i) for i in range(action.nActions)]
    except Exception:
        return []


def do_action(node, *names):
    """Runs the first of `names` the node offers (case-insensitive)."""
    action = node.queryAction()
    offered = [action.getName(i).lower() for i in range(action.nActions)]
    for wanted in names:
        if wanted.lower() in offered:
            action.doAction(offered.index(wanted.lower()))
            return
    raise Failure("%s %r offers %s, none of %s" % (role(node), node.name, offered, names))


def press(node):
    do_action(node, "Press", "press", "click", "activate", "Toggle")


def text_of(node):
    try:
        text = node.queryText()
        return text.getText(0, text.characterCount)
    except Exception:
        return ""


def value_of(node):
    try:
        return node.queryValue().currentValue
    except Exception:
        return None


def states(node):
    try:
        return node.getState()
    except Exception:
        return None


def has_state(node, state):
    s = states(node)
    return s is not None and s.contains(state)


def click_at(node, double=False):
    """A real mouse click in the middle of the node, through the X server."""
    extents = node.queryComponent().getExtents(pyatspi.DESKTOP_COORDS)
    x = extents.x + extents.width // 2
    y = extents.y + extents.height // 2
    pyatspi.Registry.generateMouseEvent(x, y, "b1d" if double else "b1c")


def table_shape(node):
    """(rows, columns) of a node that offers the Table interface."""
    table = node.queryTable()
    return table.nRows, table.nColumns


def table_titles(node):
    """The column headers' texts of a table, left to right."""
    table = node.queryTable()
    titles = []
    for column in range(table.nColumns):
        header = table.getColumnHeader(column)
        titles.append(header.name if header is not None else table.getColumnDescription(column))
    return titles


def table_row(node, row):
    """The texts of one table row's cells, left to right."""
    table = node.queryTable()
    return [table.getAccessibleAt(row, column).name for column in range(table.nColumns)]


def table_rows(node, column, title=None):
    """{text of `column` (or of the column headed `title`): that row's texts}
    for every row of a table, e.g. table_rows(monitor, 0)["[1]127.0.0.1"]."""
    if title is not None:
        column = table_titles(node).index(title)
    rows = {}
    for row in range(node.queryTable().nRows):
        texts = table_row(node, row)
        rows[texts[column]] = texts
    return rows
