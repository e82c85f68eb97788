#!/usr/bin/env python3
"""Checks a finished seller's tour from the outside: the tables (through quorvel-tables dump), the
buyers' transcripts, and what the demo shop recorded.

    check.py plan TOUR.JSON                  prints the orders the tour must deliver (for the script)
    check.py delivered TOUR.JSON CONSIGNMENTS  exit 0 once every planned order has a consignment;
                                             else names the ones that have none
    check.py verify TOUR.JSON CONSIGNMENTS ORDERS   every check; prints one line per check

TOUR.JSON: {"state": shop state file, "items": [titles], "keys": {title: [[number, password]..]},
            "tables": quorvel-tables, "data": data dir, "inbox": transcript dir}"""
import json
import os
import subprocess
import sys

SEPARATOR = b"----- standin-im: end of message -----"
CLOSING = "\r\n\r\n请尽快确认收货：奖励掌柜贱笑问候一枚！"
FORM_BODY = (b"source=&callUrl=&action=user%2Fconsign_action&event_submit_do_dummy=anything"
             b"&_fmw.n._0.g=%C4%FA%BF%C9%D2%D4%D4%DA%B4%CB%CA%E4%C8%EB%B1%B8%CD%FC%D0%C5%CF%A2"
             b"%A3%A8%BD%F6%C2%F4%BC%D2%D7%D4%BC%BA%BF%C9%BC%FB%A3%A9%A1%A3")


def unescape_state(value):
    out, i = [], 0
    while i < len(value):
        if value[i] == "\\" and i + 1 < len(value):
            out.append({"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}.get(value[i + 1], value[i + 1]))
            i += 2
        else:
            out.append(value[i])
            i += 1
    return "".join(out)


def planned_orders(tour):
    """The waiting orders of the shop's state whose title the tour puts on the watch list."""
    orders = []
    with open(tour["state"], encoding="utf-8") as state:
        for line in state:
            line = line.rstrip("\n")
            if not line.startswith("order "):
                continue
            fields = [unescape_state(f) for f in line[len("order "):].split("\t")]
            number, order_id, title, _price, quantity, buyer = fields[:6]
            if title in tour["items"]:
                orders.append({"number": number, "id": order_id, "title": title,
                               "quantity": int(quantity), "buyer": buyer})
    return orders


def unescape_dump(value):
    return unescape_state(value)


def dump(tour, table):
    """Rows of a table as dicts by field name; marked (deleted) rows are left out."""
    text = subprocess.run([tour["tables"], "dump", os.path.join(tour["data"], table)],
                          check=True, capture_output=True, text=True).stdout
    lines = text.split("\n")
    names = lines[0].split("\t")
    rows = []
    for line in lines[1:]:
        if not line:
            continue
        cells = line.split("\t")
        if cells[0] == "*":
            continue
        rows.append(dict(zip(names, (unescape_dump(c) for c in cells[1:]))))
    return rows


def consignments(path):
    found = []
    with open(path, encoding="utf-8") as text:
        for line in text:
            parts = line.rstrip("\n").split("\t")
            if len(parts) >= 3:
                found.append((parts[0], bytes.fromhex(parts[1]), parts[2]))
    return found


def transcript_name(buyer):
    safe = b"abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_."
    return "".join(chr(b) if b in safe else "%%%02X" % b for b in buyer.encode("gbk")) + ".txt"


def messages(tour, buyer):
    path = os.path.join(tour["inbox"], transcript_name(buyer))
    if not os.path.exists(path):
        return None
    with open(path, "rb") as f:
        data = f.read()
    parts = data.split(b"\n" + SEPARATOR + b"\n")
    return [p for p in parts if p]


class Checks:
    def __init__(self):
        self.failed = 0

    def check(self, ok, what, detail=""):
        print(("ok      " if ok else "FAILED  ") + what + ("" if ok else ": " + detail))
        if not ok:
            self.failed += 1
        return ok


def query_of(order):
    return "trade_id=%s&order_id=%s" % (order["number"], order["id"])


def verify(tour, consignment_file, orders_file):
    c = Checks()
    orders = planned_orders(tour)
    c.check(len(orders) >= 2, "the shop's state has at least two waiting orders of the watched items",
            "found %d" % len(orders))
    delivered = dump(tour, "已发卡密.edb")
    stock = dump(tour, "库存卡密.edb")
    posted = consignments(consignment_file)
    with open(orders_file, encoding="utf-8") as f:
        still_waiting = f.read()
    stock_keys = {(r["宝贝名称"], r["宝贝卡号"], r["宝贝卡密"]) for r in stock}
    used = {title: 0 for title in tour["items"]}
    for order in orders:
        name = "order %s (%s x%d to %s)" % (order["number"], order["title"], order["quantity"],
                                           order["buyer"])
        records = [r for r in delivered if r["订单编号"] == order["number"]]
        c.check(len(records) == order["quantity"],
                name + ": one delivered record per unit bought",
                "%d records" % len(records))
        same = all(r["宝贝名称"] == order["title"] and r["买家旺旺"] == order["buyer"]
                   and r["购买数量"] == str(order["quantity"]) and r["已发备注"] == ""
                   and r["发货时间"] for r in records)
        c.check(same, name + ": records carry title, buyer, quantity and a delivery time",
                repr(records))
        # First in, first out: this order got the next keys of its item in the order pasted.
        pasted = tour["keys"][order["title"]]
        expected = pasted[used[order["title"]]:used[order["title"]] + order["quantity"]]
        used[order["title"]] += order["quantity"]
        got = [[r["已发卡号"], r["已发卡密"]] for r in records]
        c.check(got == expected, name + ": the keys are the item's oldest in stock",
                "got %s, expected %s" % (got, expected))
        gone = [k for k in got if (order["title"], k[0], k[1]) in stock_keys]
        c.check(not gone, name + ": its keys have left the stock", "still in stock: %s" % gone)
        text = "您购买的 " + order["title"] + " 卡号信息如下\r\n\r\n"
        text += "".join("卡号：%s 卡密：%s\r\n" % (n, p) for n, p in got) + CLOSING
        inbox = messages(tour, order["buyer"])
        c.check(inbox is not None, name + ": the buyer has a transcript",
                "no " + transcript_name(order["buyer"]))
        if inbox is not None:
            c.check(text.encode("gbk") in inbox,
                    name + ": the buyer got the keys and the closing line, exactly",
                    "messages: %r" % [m.decode("gbk", "replace") for m in inbox])
            c.check(len(inbox) == 1, name + ": exactly one message", "%d messages" % len(inbox))
        mine = [p for p in posted if p[0] == query_of(order)]
        c.check(len(mine) == 1, name + ": exactly one consignment", "%d" % len(mine))
        if mine:
            c.check(mine[0][1] == FORM_BODY and len(mine[0][1]) == 215,
                    name + ": consignment body is the exact 215-byte form",
                    "%d bytes: %r" % (len(mine[0][1]), mine[0][1]))
            c.check(mine[0][2] == "1", name + ": the shop took the order off its list")
        c.check(("%s\t%s\t" % (order["number"], order["id"])) not in still_waiting,
                name + ": no longer waiting for shipment")
    spare = [(t, k[0], k[1]) for t in tour["items"] for k in tour["keys"][t][used[t]:]]
    c.check(all(k in stock_keys for k in spare), "the keys no order needed are still in stock",
            "missing: %s" % [k for k in spare if k not in stock_keys])
    print("checks: %d failed" % c.failed)
    return 1 if c.failed else 0


def main():
    command, tour_file = sys.argv[1], sys.argv[2]
    with open(tour_file, encoding="utf-8") as f:
        tour = json.load(f)
    if command == "plan":
        for order in planned_orders(tour):
            print(order["number"], order["quantity"], order["title"], sep="\t")
        return 0
    if command == "delivered":
        queries = {p[0] for p in consignments(sys.argv[3])}
        missing = [o for o in planned_orders(tour) if query_of(o) not in queries]
        for o in missing:
            print("order %s (%s x%d to %s) not consigned; its delivered records: %d"
                  % (o["number"], o["title"], o["quantity"], o["buyer"],
                     sum(1 for r in dump(tour, "已发卡密.edb") if r["订单编号"] == o["number"])))
        return 1 if missing else 0
    if command == "verify":
        return verify(tour, sys.argv[3], sys.argv[4])
    print("check.py: unknown command " + command, file=sys.stderr)
    return 2


if __name__ == "__main__":
    sys.exit(main())
