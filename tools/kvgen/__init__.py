"""The project generator's modules (see ../kvgen.py)."""


def read_text(path):
    """A UTF-8 text file; one that is not UTF-8 is refused naming the file."""
    with open(path, "rb") as f:
        data = f.read()
    try:
        return data.decode("utf-8")
    except UnicodeDecodeError as e:
        raise ValueError("%s is not UTF-8 text (byte 0x%02x at offset %d)"
                         % (path, data[e.start], e.start)) from None
