"""The project generator's modules (see ../kvgen.py)."""
