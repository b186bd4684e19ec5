#!/usr/bin/env python3
"""The sync of test::loopingSong as a tracker plays it on, worked out row by row for song_stream_test.cpp.

Every row lasts speed x frames per tick, and a tick is 2.5 s / tempo at 44100 Hz (882 frames at tempo
125). A row's values are stamped with the first frame of the 64-frame block in which the row begins.
Prints, for each case, the rendered length, the (value, stamp) pairs below it and where each pass after
the first begins, as the rows of the table in song_stream_test.cpp.
"""

RATE = 44100
BLOCK = 64
TEMPO = 125


def case(name, loop, rows, speed, frames):
    row_frames = speed * RATE * 5 // (2 * TEMPO)
    if loop == "OneRow":
        marks = {(0, 0): [0x10]}
        first, again = [(0, 0)], [(0, 0)]
    else:
        last = rows - 1
        marks = {(0, 0): [0x10], (1, 2): [0x11, 0x12], (2, last): [0x13]}
        first = [(o, r) for o in range(3) for r in range(rows)]
        again = {
            "JumpBack": [(o, r) for o in (1, 2) for r in range(rows)],
            "RestartPosition": [(o, r) for o in (1, 2) for r in range(rows)],
            "EndOfOrders": first,
            "ToItself": [(2, last)],
        }[loop]
    stamps, passes, now = [], [], 0
    path = first
    while now < frames:
        if now > 0:
            passes.append(now)
        for order_row in path:
            if now >= frames:
                break
            for value in marks.get(order_row, []):
                stamps.append((value, now - now % BLOCK))
            now += row_frames
        path = again
    passes = [p for p in passes if p < frames]
    pairs = ", ".join("{0x%02X, %d}" % s for s in stamps)
    print('{"%s", test::Loop::%s, %d, %d, %d, {%s}, {%s}},' % (
        name, loop, rows, speed, frames, pairs, ", ".join(str(p) for p in passes)))


case("JumpBack", "JumpBack", 8, 6, 300000)
case("RestartPosition", "RestartPosition", 8, 6, 300000)
case("EndOfOrders", "EndOfOrders", 8, 6, 300000)
case("ToItself", "ToItself", 8, 6, 150000)
case("OneRow", "OneRow", 8, 6, 20000)
case("EndOfOrders64", "EndOfOrders", 64, 1, 400000)
