#!/usr/bin/python3
"""The ezdxf side of the attribute-command benchmark.

  ezdxf_attributes.py make N OUT.dxf            N references of 5 blocks, 5 attributes each
  ezdxf_attributes.py attout IN.dxf OUT.txt     every reference's values into an exchange file
  ezdxf_attributes.py edit IN.txt OUT.txt       the same file with every value changed
  ezdxf_attributes.py attin IN.dxf FILE OUT.dxf the file's values back into the references
  ezdxf_attributes.py burst IN.dxf OUT.dxf      every reference exploded, attributes as texts

attout, attin and burst do what ATTOUT, ATTIN and BURST do, with ezdxf's own API (the exchange
file laid out as ATTOUT lays it out; BURST as ezdxf's explode, which turns attributes into
texts), and print the seconds of read + work + write."""

import sys
import time

import ezdxf

TAGS = ["PART", "NO", "SIZE", "MAKER", "NOTE"]


def make(count, path):
    doc = ezdxf.new("R2018")
    for b in range(5):
        block = doc.blocks.new(f"BLOCK{b}")
        block.add_lwpolyline([(0, 0), (10, 0), (10, 5), (0, 5)], close=True)
        block.add_circle((5, 2.5), 1.5)
        for k, tag in enumerate(TAGS):
            block.add_attdef(tag, (0, -2 - 2 * k), dxfattribs={"height": 1})
    msp = doc.modelspace()
    side = int(count ** 0.5) + 1
    for i in range(count):
        x, y = (i % side) * 20.0, (i // side) * 20.0
        ref = msp.add_blockref(f"BLOCK{i % 5}", (x, y), dxfattribs={"layer": f"L{i % 4}"})
        for k, tag in enumerate(TAGS):
            ref.add_attrib(tag, f"{tag.lower()} {i}", (x, y - 2 - 2 * k), dxfattribs={"height": 1})
    doc.saveas(path)


def attout(doc, path):
    refs = [r for r in doc.modelspace().query("INSERT") if r.attribs]
    columns, counts = [], {}
    for ref in refs:
        seen = {}
        for a in ref.attribs:
            seen[a.dxf.tag] = seen.get(a.dxf.tag, 0) + 1
        for tag, n in seen.items():
            if tag not in counts:
                columns.append(tag)
            counts[tag] = max(counts.get(tag, 0), n)
    header = ["HANDLE", "BLOCKNAME"]
    for tag in columns:
        header += [tag] + [f"{tag}({k})" for k in range(1, counts[tag])]
    lines = ["\t".join(header)]
    for ref in refs:
        fields = ["'" + ref.dxf.handle, ref.dxf.name]
        for tag in columns:
            values = [a.dxf.text for a in ref.attribs if a.dxf.tag == tag]
            fields += values + ["<>"] * (counts[tag] - len(values))
        lines.append("\t".join(fields))
    with open(path, "w", encoding="cp1252", errors="backslashreplace", newline="\r\n") as f:
        f.write("\n".join(lines) + "\n")


def edit(source, target):
    with open(source, encoding="cp1252", newline="") as f:
        lines = f.read().split("\r\n")
    out = [lines[0]] + ["\t".join(f[:2] + [v + " new" for v in f[2:]])
                        for f in (line.split("\t") for line in lines[1:] if line)]
    with open(target, "w", encoding="cp1252", newline="") as f:
        f.write("\r\n".join(out) + "\r\n")


def attin(doc, path):
    with open(path, encoding="cp1252") as f:
        lines = [line.strip() for line in f if line.strip()]
    columns = lines[0].upper().split("\t")[2:]
    for line in lines[1:]:
        fields = line[1:].split("\t")
        ref = doc.entitydb.get(fields[0])
        if ref is None or ref.dxftype() != "INSERT":
            continue
        pairs = [(t, v) for t, v in zip(columns, fields[2:]) if v != "<>"]
        for a in ref.attribs:
            for k, (tag, value) in enumerate(pairs):
                if tag.split("(")[0] == a.dxf.tag.upper():
                    a.dxf.text = value
                    del pairs[k]
                    break


def burst(doc):
    for ref in list(doc.modelspace().query("INSERT")):
        ref.explode()


def main():
    command = sys.argv[1]
    if command == "make":
        make(int(sys.argv[2]), sys.argv[3])
        return
    if command == "edit":
        edit(sys.argv[2], sys.argv[3])
        return
    start = time.perf_counter()
    doc = ezdxf.readfile(sys.argv[2])
    if command == "attout":
        attout(doc, sys.argv[3])
    elif command == "attin":
        attin(doc, sys.argv[3])
        doc.saveas(sys.argv[4])
    elif command == "burst":
        burst(doc)
        doc.saveas(sys.argv[3])
    print(f"{time.perf_counter() - start:.2f}")


if __name__ == "__main__":
    main()
