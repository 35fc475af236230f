#!/usr/bin/python3
"""Text boxes per second with ezdxf's own measurement (ezdxf.tools.text_size), for the ratio in
bench/README.md. Without matplotlib ezdxf measures with its built-in font metrics estimate."""
import random
import sys
import time

import ezdxf
from ezdxf.tools.text_size import text_size

count = int(sys.argv[1]) if len(sys.argv) > 1 else 100_000
random.seed(1)
doc = ezdxf.new("R2018")
msp = doc.modelspace()
alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789 -"
texts = []
for i in range(count):
    s = "".join(random.choice(alphabet) for _ in range(random.randint(5, 30)))
    t = msp.add_text(s, dxfattribs={"height": 2.5, "rotation": random.choice([0, 30, 90])})
    texts.append(t)
start = time.process_time()
for t in texts:
    text_size(t)
seconds = time.process_time() - start
print(f"ezdxf text_size: {count} texts in {seconds:.2f} s, {count / seconds:,.0f} per second")
