#!/usr/bin/env python3
"""A stand-in for speech-dispatcher in the voice's tests. It speaks SSIP on a Unix socket as
speech-dispatcher 0.11 and 0.12 do, as far as libspeechd's client goes, and misbehaves on command
where the real server cannot be made to.

    fake_ssip_server.py DIRECTORY [MISBEHAVIOUR ...]

It listens on DIRECTORY/ssip.sock. It "speaks" a message by pacing through its text at 80 ms a
character: BEGIN, then each <mark/> when the pace reaches it, then END, each reported to a client
that asked for it. Every message it played to its end is appended to DIRECTORY/spoken as one line,
"spoke<TAB>start<TAB>language<TAB>text": the start in seconds of CLOCK_MONOTONIC (the tests'
steady clock), the language it was read in, and the plain text. What it receives and sends goes to
standard error, after a first line "ready". When the process that started it ends without ending
it (libspeechd ends a process that it cannot understand), it removes DIRECTORY and ends.

Misbehaviours, any number of them:
  absent              never makes its socket, as when no server is installed
  close-at-once       hangs up on every connection as soon as it is made
  never-accept        listens, but never takes a connection
  accept-after=S      takes connections only S seconds after it started
  listen-after=S      makes its socket only S seconds after it started
  hang-up=STEP        hangs up at STEP instead of answering it
  late=STEP           answers STEP 1.5 s late, as a stalled server would
  silent=STEP         never answers STEP
  garbage=STEP        answers STEP with a line that is no SSIP at all
  malformed=STEP      answers STEP with its last line alone (no client or message number)
  bad-event           every notification it sends has words where its numbers belong
  no-begin            queues messages but never begins one
  begin-only          begins a message and then reports nothing more
  no-end              plays a message and its marks but never reports its END: the message
                      stays in hand, and what follows waits, until it is cancelled
  no-marks            plays a message and reports its END, but none of its marks
  ignore-cancel       answers CANCEL, then goes on as if it had not been sent
  cut-first           cuts its first message short 0.3 s into it (before the second mark of our
                      announcements), with a CANCEL notification, as another client's message
                      does, and holds what comes in during the second that message takes
  language=L          reads messages in language L until a client sets another
  voices=L,L,...      the languages LIST SYNTHESIS_VOICES offers (en-GB,en-US,de unless told)

STEP is a command named by the word that tells it apart (CLIENT_NAME, CLIENT_ID, SSML_MODE,
NOTIFICATION, PRIORITY, LANGUAGE, SYNTHESIS_VOICES, SPEAK, CANCEL), DATA for the end of a
message's text, or a moment of a message: QUEUED (once it is queued), BEGIN (as it starts), MARK
(at its first mark).
"""

import html
import itertools
import os
import re
import shutil
import socket
import sys
import threading
import time

PACE = 0.08  # seconds a character of text takes to say
LATE = 1.5  # an answer later than a healthy server ever is
CUT_AFTER = 0.3  # another client's message cuts ours this far into it...
HELD_FOR = 1.0  # ...and takes this long
NOTIFICATIONS = ("index_marks", "begin", "end", "cancel", "pause", "resume")
STARTED = time.monotonic()
TRACING = threading.Lock()


def trace(*words):
    with TRACING:  # whole lines, whichever thread writes them
        sys.stderr.write(" ".join([f"{time.monotonic() - STARTED:7.3f}", *map(str, words)]) + "\n")
        sys.stderr.flush()


def step_of(line):
    """The word that tells a command apart, as the misbehaviours name it."""
    words = line.upper().split()
    if len(words) > 2 and (words[0] == "SET" or words[:2] == ["HISTORY", "GET"]):
        return words[2]
    if len(words) > 1 and words[0] == "LIST":
        return words[1]
    return words[0] if words else ""


def plain_and_marks(text, ssml):
    """The text without its markup, and its marks as (characters before it, name)."""
    if not ssml:
        return text, []
    plain, marks, at = "", [], 0
    for tag in re.finditer(r"<[^>]*>", text):
        plain += html.unescape(text[at:tag.start()])
        at = tag.end()
        mark = re.match(r"""<mark\s+name\s*=\s*["']([^"']*)["']""", tag.group())
        if mark:
            marks.append((len(plain), mark.group(1)))
    return plain + html.unescape(text[at:]), marks


class Client:
    def __init__(self, connection, number, language):
        self.connection = connection
        self.number = number
        self.language = language
        self.ssml = False
        self.notifications = set()
        self.lock = threading.RLock()  # one reply or notification at a time, whole
        self.gone = False

    def send(self, *lines):
        with self.lock:
            if self.gone:
                return
            trace(self.number, ">", " | ".join(lines))
            try:
                self.connection.sendall("".join(line + "\r\n" for line in lines).encode())
            except OSError:
                pass

    def hang_up(self):
        with self.lock:
            trace(self.number, "hangs up")
            self.gone = True
            try:
                self.connection.shutdown(socket.SHUT_RDWR)
            except OSError:
                pass
            self.connection.close()


class Message:
    def __init__(self, number, client, text):
        self.number = number
        self.client = client
        self.text, self.marks = plain_and_marks(text, client.ssml)
        self.language = client.language
        self.cancelled = threading.Event()


class Server:
    def __init__(self, directory, misbehaviours):
        self.socket_path = os.path.join(directory, "ssip.sock")
        self.log = open(os.path.join(directory, "spoken"), "a", encoding="utf-8")
        self.faults = dict(word.partition("=")[::2] for word in misbehaviours)
        self.queue = []  # messages of every client, in the order they are spoken
        self.changed = threading.Condition()
        self.message_numbers = itertools.count(1)
        self.held_until = 0.0
        self.cut_done = False

    def has(self, name):
        return name in self.faults

    def at_step(self, name, step):
        return self.faults.get(name) == step

    def run(self):
        trace("ready")
        if self.has("absent"):
            threading.Event().wait()
        time.sleep(max(0.0, STARTED + float(self.faults.get("listen-after", 0)) - time.monotonic()))
        listener = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        listener.bind(self.socket_path)
        listener.listen(16)
        trace("listening")
        if self.has("never-accept"):
            threading.Event().wait()
        time.sleep(max(0.0, STARTED + float(self.faults.get("accept-after", 0)) - time.monotonic()))
        threading.Thread(target=self.speak, daemon=True).start()
        for number in itertools.count(1):
            connection, _ = listener.accept()
            trace(number, "connects")
            client = Client(connection, number, self.faults.get("language", "en"))
            if self.has("close-at-once"):
                client.hang_up()
                continue
            threading.Thread(target=self.serve, args=(client,), daemon=True).start()

    # Commands

    def serve(self, client):
        reader = client.connection.makefile("rb")
        try:
            for raw in reader:
                line = raw.decode("utf-8", "replace").rstrip("\r\n")
                trace(client.number, "<", line)
                if not self.answer(client, line, reader):
                    break
        except (OSError, ValueError):
            pass
        self.forget(client)

    def answer(self, client, line, reader):
        """Answers one command; False once the connection is over."""
        step = step_of(line)
        words = line.split()
        if not self.before_answering(client, step):
            return not client.gone
        if step == "SPEAK":
            client.send("230 OK RECEIVING DATA")
            text = self.message_text(reader)
            if text is None or not self.before_answering(client, "DATA"):
                return text is not None and not client.gone
            self.queue_message(client, text)
        elif step == "CLIENT_NAME":
            self.reply(client, step, "208 OK CLIENT NAME SET")
        elif step == "CLIENT_ID":
            self.reply(client, step, f"245-{client.number}", "245 OK CLIENT ID SENT")
        elif step == "SSML_MODE":
            client.ssml = words[-1].lower() == "on"
            self.reply(client, step, "219 OK SSML MODE SET")
        elif step == "NOTIFICATION" and len(words) > 4:
            kinds = NOTIFICATIONS if words[3].lower() == "all" else (words[3].lower(),)
            for kind in kinds:
                (client.notifications.add if words[4].lower() == "on" else
                 client.notifications.discard)(kind)
            self.reply(client, step, "220 OK NOTIFICATION SET")
        elif step == "PRIORITY":
            self.reply(client, step, "202 OK PRIORITY SET")
        elif step == "LANGUAGE" and len(words) > 3:
            client.language = words[3]
            self.reply(client, step, "201 OK LANGUAGE SET")
        elif words[:1] and words[0].upper() == "SET":
            self.reply(client, step, "200 OK SET")
        elif step == "SYNTHESIS_VOICES":
            languages = self.faults.get("voices", "en-GB,en-US,de").split(",")
            self.reply(client, step, *(f"249-voice {language}\t{language}\tnone"
                                       for language in languages), "249 OK VOICE LIST SENT")
        elif step == "CANCEL":
            self.reply(client, step, "213 OK CANCELED")
            if not self.has("ignore-cancel"):
                self.cancel(client, notify=True)
        elif step == "QUIT":
            self.reply(client, step, "231 HAPPY HACKING")
            client.hang_up()
            return False
        else:
            self.reply(client, step, "500 ERR INVALID COMMAND")
        return True

    def before_answering(self, client, step):
        """Misbehaves at STEP as told; False when the answer is not to be given at all."""
        if self.at_step("hang-up", step):
            client.hang_up()
            return False
        if self.at_step("late", step):
            time.sleep(LATE)
        if self.at_step("silent", step):
            return False
        if self.at_step("garbage", step):
            client.send("?!# this is no answer")
            return False
        return True

    def reply(self, client, step, *lines):
        client.send(*(lines[-1:] if self.at_step("malformed", step) else lines))

    @staticmethod
    def message_text(reader):
        """The lines up to the one that is a lone dot, unstuffed; None when the client left."""
        lines = []
        for raw in reader:
            line = raw.decode("utf-8", "replace").rstrip("\r\n")
            if line == ".":
                return "\n".join(lines)
            lines.append(line[1:] if line.startswith("..") else line)
        return None

    def queue_message(self, client, text):
        message = Message(next(self.message_numbers), client, text)
        with self.changed:
            self.queue.append(message)
            self.changed.notify_all()
        self.reply(client, "DATA", f"225-{message.number}", "225 OK MESSAGE QUEUED")
        self.at_moment(message, "QUEUED")

    def cancel(self, client, notify):
        with self.changed:
            cancelled = [message for message in self.queue if message.client is client]
            self.queue = [message for message in self.queue if message.client is not client]
        for message in cancelled:
            with client.lock:  # so that it is not logged as spoken meanwhile
                if notify:
                    self.notify(message, "703", "CANCELED")
                message.cancelled.set()

    def forget(self, client):
        with client.lock:
            client.gone = True
        self.cancel(client, notify=False)

    # Speech

    def notify(self, message, code, *last):
        """Reports an event of MESSAGE to its client, if the client asked for that kind."""
        kind = {"700": "index_marks", "701": "begin", "702": "end", "703": "cancel"}[code]
        client = message.client
        with client.lock:
            if message.cancelled.is_set() or kind not in client.notifications:
                return
            numbers = ("x", "y") if self.has("bad-event") else (message.number, client.number)
            extra = [f"{code}-{word}" for word in last[:-1]]
            client.send(f"{code}-{numbers[0]}", f"{code}-{numbers[1]}", *extra,
                        f"{code} {last[-1]}")

    def at_moment(self, message, moment):
        """Hangs up at MOMENT of a message where told to; True then."""
        if self.at_step("hang-up", moment):
            message.client.hang_up()
            return True
        return False

    def speak(self):
        while True:
            with self.changed:
                self.changed.wait_for(lambda: self.queue)
                message = self.queue[0]
            self.play(message)
            with self.changed:
                if message in self.queue:
                    self.queue.remove(message)

    def play(self, message):
        if self.has("no-begin"):
            message.cancelled.wait()
            return
        if message.cancelled.wait(max(0.0, self.held_until - time.monotonic())):
            return
        start = time.monotonic()
        self.notify(message, "701", "BEGIN")
        if self.at_moment(message, "BEGIN"):
            return
        if self.has("begin-only"):
            message.cancelled.wait()
            return
        timeline = [(start + characters * PACE, "mark", name)
                    for characters, name in message.marks]
        if self.has("cut-first") and not self.cut_done:
            self.cut_done = True
            timeline.append((start + CUT_AFTER, "cut", ""))
        timeline.append((start + len(message.text) * PACE, "end", ""))
        marks = 0
        for due, moment, name in sorted(timeline, key=lambda event: event[0]):
            if message.cancelled.wait(max(0.0, due - time.monotonic())):
                return
            if moment == "cut":
                self.cut_short(message)
                return
            if moment == "mark":
                if not self.has("no-marks"):
                    self.notify(message, "700", name, "INDEX MARK")
                marks += 1
                if marks == 1 and self.at_moment(message, "MARK"):
                    return
        with message.client.lock:
            if message.cancelled.is_set():
                return
            self.log.write(f"spoke\t{start:.6f}\t{message.language}\t{message.text}\n")
            self.log.flush()
        if self.has("no-end"):
            message.cancelled.wait()
            return
        self.notify(message, "702", "END")

    def cut_short(self, message):
        """Another client's message cuts ours, and what comes meanwhile waits for it to end."""
        with message.client.lock:
            self.notify(message, "703", "CANCELED")
            message.cancelled.set()
        self.held_until = time.monotonic() + HELD_FOR


def end_with_the_test(test, directory):
    while os.getppid() == test:
        time.sleep(0.2)
    shutil.rmtree(directory, ignore_errors=True)
    os._exit(0)


if __name__ == "__main__":
    threading.Thread(target=end_with_the_test, args=(os.getppid(), sys.argv[1]),
                     daemon=True).start()
    Server(sys.argv[1], sys.argv[2:]).run()
