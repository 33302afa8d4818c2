#!/usr/bin/env python3
"""An independent computation of the standing figures and group summaries,
straight from a Mehrsan database with Python's statistics module.

usage: standing_reference.py DATABASE REQUESTS.json
REQUESTS: {"standing": [[code, "all"|"sex"|"group"], ...], "groups": [null | "A" | "", ...],
           "values": [[v, v, ...], ...]}
Prints JSON with, for each request, the figures the program must show.
"""
import json
import sqlite3
import statistics
import sys

# The subscales in the order of the keying window's legend, then the total.
SCORES = ["khodagahi", "ebrazevojood", "ezatenafs", "khoodshkofaee", "esteghlal", "hamdeli",
          "masooliatpaz", "ravabet", "vaghegaraee", "enetafpaz", "halemas", "tahalol", "control",
          "khooshbini", "shadmani", "kol"]
# Base item of each subscale in the order above; the subscale takes k, k+15, ... k+75.
BASES = [6, 15, 10, 5, 3, 14, 13, 8, 7, 12, 1, 4, 11, 9, 2]


def filled(v):
    return v is not None and str(v) != ""


def leading_number(text):
    text = str(text).lstrip(" ")
    digits = ""
    for ch in text:
        if not ch.isdigit():
            break
        digits += ch
    return int(digits) if digits else 0


def subjects(db):
    rows = db.execute('SELECT IDE.Code, IDE.Jens, IDE."Group", ' +
                      ",".join("IDE.%s" % c for c in SCORES) + ", " +
                      ",".join('Answer."%d"' % i for i in range(1, 91)) +
                      " FROM IDE LEFT JOIN Answer ON Answer.Code = trim(IDE.Code)").fetchall()
    for r in rows:
        scores = list(r[3:19])
        answers = list(r[19:109])
        yield {"code": r[0], "sex": r[1], "group": r[2],
               "keyed": all(filled(s) for s in scores),
               "scores": [leading_number(s) if filled(s) else None for s in scores],
               "answers": answers,
               "complete": all(filled(a) for a in answers)}


def figure(sample, x):
    n = len(sample)
    below = sum(1 for v in sample if v < x)
    equal = sum(1 for v in sample if v == x)
    sd = statistics.stdev(sample) if n >= 2 else 0.0
    return {"n": n, "percentile": 100.0 * (below + equal / 2) / n if n else 0.0,
            "sd": sd, "standard": 100 + 15 * (x - statistics.fmean(sample)) / sd if sd else None}


def alpha(rows):
    if len(rows) < 2:
        return None
    totals = [sum(r) for r in rows]
    total_var = statistics.variance(totals)
    if total_var == 0:
        return None
    item_var = sum(statistics.variance([r[i] for r in rows]) for i in range(6))
    return 6 / 5 * (1 - item_var / total_var)


def describe(values):
    if not values:
        return {"count": 0}
    return {"count": len(values), "mean": statistics.fmean(values),
            "sd": statistics.stdev(values) if len(values) > 1 else 0.0,
            "min": min(values), "median": statistics.median(values), "max": max(values)}


def main():
    db = sqlite3.connect(sys.argv[1])
    requests = json.load(open(sys.argv[2], encoding="utf-8"))
    everyone = list(subjects(db)) if requests.get("standing") or requests.get("groups") else []
    out = {"standing": [], "groups": [], "values": []}
    for code, reference in requests.get("standing", []):
        me = next(s for s in everyone if s["code"] == code)
        pool = [s for s in everyone if s["keyed"] and s["complete"]]
        if reference == "sex":
            pool = [s for s in pool if s["sex"] == me["sex"]]
        elif reference == "group":
            pool = [s for s in pool if s["group"] == me["group"]]
        out["standing"].append([figure([s["scores"][c] for s in pool], me["scores"][c]) for c in range(16)])
    for group in requests.get("groups", []):
        members = [s for s in everyone if group is None or (s["group"] or "") == group]
        keyed = [s for s in members if s["keyed"]]
        columns = []
        for c in range(16):
            if c == 15:
                chosen = [s for s in keyed if s["complete"]]
                columns.append(describe([s["scores"][c] for s in chosen]))
                continue
            items = [BASES[c] + 15 * j for j in range(6)]
            chosen = [s for s in keyed if all(filled(s["answers"][i - 1]) for i in items)]
            column = describe([s["scores"][c] for s in chosen])
            column["alpha"] = alpha([[leading_number(s["answers"][i - 1]) for i in items] for s in chosen])
            columns.append(column)
        out["groups"].append({"subjects": len(members), "keyed": len(keyed), "columns": columns})
    for values in requests.get("values", []):
        column = describe(values)
        column["ranks"] = {str(v): figure(values, v)["percentile"] for v in sorted(set(values)) + [min(values) - 1, max(values) + 1]}
        out["values"].append(column)
    json.dump(out, sys.stdout)


main()
