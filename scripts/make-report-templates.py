#!/usr/bin/env python3
"""Writes the two spreadsheet templates of the demo workspace: demo/XLT/template3.xlt (the
commissioning report of a device) and demo/XLT/bbx.xlt (the alarm log page). Both are OOXML
workbooks under the program's fixed names; their defined names are the cells the program fills.

Run it after changing the layout: python3 scripts/make-report-templates.py
"""
import pathlib

from openpyxl import Workbook
from openpyxl.styles import Alignment, Border, Font, PatternFill, Side
from openpyxl.workbook.defined_name import DefinedName

XLT = pathlib.Path(__file__).resolve().parent.parent / "demo" / "XLT"
THIN = Side(style="thin", color="000000")
BOX = Border(left=THIN, right=THIN, top=THIN, bottom=THIN)
HEADER_FILL = PatternFill("solid", fgColor="D9E1F2")
TITLE = Font(name="Arial", size=14, bold=True)
BOLD = Font(name="Arial", size=10, bold=True)
PLAIN = Font(name="Arial", size=10)
WRAP = Alignment(wrap_text=True, vertical="top")
# The device's identity: the same named cells in both templates.
IDENTITY = [
    ("Механизм:", "mehanism"),
    ("Место установки:", "location"),
    ("Тип устройства:", "DeviceType"),
    ("Серийный номер:", "SerialNumber"),
    ("Версия ПО:", "FirmvareVersion"),
    ("Изменение базы:", "TimeBaseChange"),
    ("Файл устройства:", "DeviceDir"),
]
TOP = Alignment(vertical="top")


def define(book, sheet, name, ref):
    absolute = "$" + "".join(c for c in ref if c.isalpha()) + "$" + "".join(c for c in ref if c.isdigit())
    defined = DefinedName(name, attr_text=f"'{sheet.title}'!{absolute}")
    if hasattr(book.defined_names, "append"):  # openpyxl 3.0, as Debian 12 ships it
        book.defined_names.append(defined)
    else:
        book.defined_names[name] = defined


def page_setup(sheet, landscape, title_row):
    sheet.page_setup.paperSize = sheet.PAPERSIZE_A4
    sheet.page_setup.orientation = "landscape" if landscape else "portrait"
    sheet.page_setup.fitToWidth = 1
    sheet.page_setup.fitToHeight = 0
    sheet.sheet_properties.pageSetUpPr.fitToPage = True
    sheet.page_margins.left = sheet.page_margins.right = 0.5
    sheet.page_margins.top = 0.6
    sheet.page_margins.bottom = 0.8
    sheet.page_margins.footer = 0.3
    # With "$" as spreadsheet programs write it: LibreOffice repeats no row named without it.
    sheet.print_title_rows = f"${title_row}:${title_row}"
    sheet.oddFooter.center.text = "Страница &P из &N"


def caption(sheet, cell, text, font=BOLD):
    sheet[cell] = text
    sheet[cell].font = font
    sheet[cell].alignment = TOP


def field(book, sheet, row, label, name, last_column):
    """A label in column A and a named value cell spanning B to the last column."""
    caption(sheet, f"A{row}", label)
    sheet.merge_cells(f"B{row}:{last_column}{row}")
    sheet[f"B{row}"].font = PLAIN
    sheet[f"B{row}"].alignment = Alignment(horizontal="left", vertical="top", wrap_text=True)
    define(book, sheet, name, f"B{row}")


def header_row(sheet, row, texts):
    for column, text in enumerate(texts, start=1):
        cell = sheet.cell(row=row, column=column, value=text)
        cell.font = BOLD
        cell.fill = HEADER_FILL
        cell.border = BOX
        cell.alignment = Alignment(horizontal="center", vertical="center", wrap_text=True)


def boxed_row(sheet, row, columns, wrap_columns=()):
    for column in range(1, columns + 1):
        cell = sheet.cell(row=row, column=column)
        cell.border = BOX
        cell.font = PLAIN
        cell.alignment = WRAP if column in wrap_columns else TOP


def save(book, name):
    book.template = True
    path = XLT / name
    book.save(path)
    print(path)


def device_report():
    book = Workbook()
    sheet = book.active
    sheet.title = "Отчёт"
    widths = {"A": 16, "B": 26, "C": 10, "D": 14, "E": 40, "F": 12, "G": 14, "H": 9}
    for column, width in widths.items():
        sheet.column_dimensions[column].width = width

    sheet.merge_cells("A1:H1")
    caption(sheet, "A1", "Отчёт о наладке устройства", TITLE)
    sheet["A1"].alignment = Alignment(horizontal="center")

    caption(sheet, "A3", "Организация:")
    sheet.merge_cells("B3:C3")
    define(book, sheet, "DocOrganization", "B3")
    caption(sheet, "D3", "Отчёт №")
    sheet["D3"].alignment = Alignment(horizontal="right", vertical="top")
    define(book, sheet, "DocNumber", "E3")
    caption(sheet, "F3", "Дата:")
    sheet["F3"].alignment = Alignment(horizontal="right", vertical="top")
    sheet.merge_cells("G3:H3")
    define(book, sheet, "DocDate", "G3")
    for cell in ("B3", "E3", "G3"):
        sheet[cell].font = PLAIN
        sheet[cell].alignment = Alignment(horizontal="left", vertical="top")

    for offset, (label, name) in enumerate(IDENTITY):
        field(book, sheet, 5 + offset, label, name, "H")

    caption(sheet, "A13", "Уставки параметров", Font(name="Arial", size=12, bold=True))
    header_row(sheet, 14, ["Ключ", "Параметр", "Регистр", "Шкала", "Описание", "База", "Значение", "Ед. изм."])
    boxed_row(sheet, 15, 8, wrap_columns=(2, 5))
    define(book, sheet, "PNx", "A15")
    define(book, sheet, "ParamMU", "H15")

    caption(sheet, "A17", "Коэффициенты", Font(name="Arial", size=12, bold=True))
    header_row(sheet, 18, ["Коэффициент", "Значение", "", "", "", "", "", ""])
    sheet.merge_cells("B18:H18")
    boxed_row(sheet, 19, 8)
    sheet.merge_cells("B19:H19")
    define(book, sheet, "VarName", "A19")
    define(book, sheet, "VarValue", "B19")
    define(book, sheet, "VarValueEnd", "H19")

    caption(sheet, "A21", "Наладку выполнил:")
    sheet.merge_cells("B21:D21")
    sheet["B21"].border = Border(bottom=THIN)
    caption(sheet, "E21", "Представитель заказчика:")
    sheet["E21"].alignment = Alignment(horizontal="right", vertical="top")
    sheet.merge_cells("F21:H21")
    sheet["F21"].border = Border(bottom=THIN)

    page_setup(sheet, landscape=True, title_row=14)
    save(book, "template3.xlt")


def alarm_log():
    book = Workbook()
    sheet = book.active
    sheet.title = "Журнал"
    widths = {"A": 30, "B": 12, "C": 10, "D": 26, "E": 14, "F": 40, "G": 20}
    for column, width in widths.items():
        sheet.column_dimensions[column].width = width

    sheet.merge_cells("A1:G1")
    caption(sheet, "A1", "Журнал событий устройства", TITLE)
    sheet["A1"].alignment = Alignment(horizontal="center")
    field(book, sheet, 2, "Дата отчёта:", "DocDate", "G")

    for offset, (label, name) in enumerate(IDENTITY):
        field(book, sheet, 4 + offset, label, name, "G")

    caption(sheet, "A12", "Счётчики", Font(name="Arial", size=12, bold=True))
    counters = [
        ("Количество включений двигателя", "TotalMotorOnCNT"),
        ("Количество аварийных отключений", "TotalMotorAOffCNT"),
        ("Асинхронный ход", "AcyncRunCNT"),
        ("Максимально-токовая защита", "OverCurrentCNT"),
        ("Потеря возбуждения", "FieldFailCNT"),
        ("Земля в роторе", "GroundCNT"),
        ("Смена направления мощности", "RWRDirectCNT"),
        ("Снижение частоты сети", "FreqLowCNT"),
        ("Неисправность БК выключателя", "BKFailCNT"),
        ("Время работы двигателя", "TotalWorkTime"),
        ("До профилактики двигателя", "LastWorkTime"),
    ]
    for offset, (label, name) in enumerate(counters):
        row = 13 + offset
        sheet[f"A{row}"] = label
        sheet[f"A{row}"].font = PLAIN
        sheet[f"A{row}"].border = BOX
        sheet[f"B{row}"].border = BOX
        sheet[f"B{row}"].font = PLAIN
        sheet[f"B{row}"].alignment = Alignment(horizontal="right", vertical="top")
        define(book, sheet, name, f"B{row}")

    caption(sheet, "A25", "Записи журнала (новые сверху)", Font(name="Arial", size=12, bold=True))
    header_row(sheet, 26, ["№ записи", "Дата", "Время", "События", "Причина", "Аварии", "Примечание"])
    boxed_row(sheet, 27, 7, wrap_columns=(4, 6, 7))
    sheet["A27"].alignment = Alignment(horizontal="center", vertical="top")
    define(book, sheet, "ABNum", "A27")
    define(book, sheet, "ABNote", "G27")

    page_setup(sheet, landscape=True, title_row=26)
    save(book, "bbx.xlt")


if __name__ == "__main__":
    device_report()
    alarm_log()
