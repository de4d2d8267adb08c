#!/usr/bin/python3
"""Reads a spreadsheet with openpyxl, a reader independent of the program's own, and prints what
the tests check, one item per line, TAB-separated:

  name   NAME   SHEET   REF        every defined name (REF as the workbook stores it, no "$")
  cell   SHEET  A1      KIND  VALUE  every non-empty cell (KIND: s text, n number)
  merge  SHEET  A1:B2              every merged area
  print  SHEET  TITLES  AREA       print titles and print area of a sheet
"""
import sys

import openpyxl


def plain(ref):
    return ref.replace("$", "")


def defined_names(book):
    names = book.defined_names
    items = names.definedName if hasattr(names, "definedName") else names.values()
    for item in items:
        for sheet, ref in item.destinations:
            yield item.name, sheet, plain(ref)


def main(path):
    with open(path, "rb") as data:  # a file object: openpyxl refuses the .xlt name itself
        book = openpyxl.load_workbook(data)
    out = []
    for name, sheet, ref in defined_names(book):
        out.append(("name", name, sheet, ref))
    for sheet in book.worksheets:
        for row in sheet.iter_rows():
            for cell in row:
                if cell.value is None:
                    continue
                kind = "s" if isinstance(cell.value, str) else "n"
                value = str(cell.value).replace("\t", " ").replace("\n", " ")
                out.append(("cell", sheet.title, cell.coordinate, kind, value))
        for area in sheet.merged_cells.ranges:
            out.append(("merge", sheet.title, str(area)))
        out.append(("print", sheet.title, plain(str(sheet.print_title_rows or "")), plain(str(sheet.print_area or ""))))
    sys.stdout.write("".join("\t".join(item) + "\n" for item in out))


if __name__ == "__main__":
    main(sys.argv[1])
