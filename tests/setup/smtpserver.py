#!/usr/bin/python3
# SMTP peers for the mail sender's tests, all on 127.0.0.1 with free ports:
#   smtp     aiosmtpd; refuses recipients whose address begins with "refused"
#   helo     aiosmtpd that answers EHLO with 500, so the client falls back to HELO
#   silent   accepts and never answers
#   closing  greets, reads one command and closes
#   flood    greets with 10 MB that never end a line
#   endless  greets, then answers EHLO with "250-" lines without end
#   nobody   a port nobody listens on
# Mails the aiosmtpd servers accept go to FOLDER/mail<N>.env (lines "helo ARG",
# "from ADDR", "to ADDR"...) and mail<N>.eml (the data) before their 250; FOLDER/ports
# lists "name port" once all listen. Ends (writing FOLDER/stopped) when FOLDER/stop
# appears, FOLDER goes, or after ten minutes.
#
#   /usr/bin/python3 smtpserver.py FOLDER
import asyncio
import os
import socket
import sys
import time

from aiosmtpd.smtp import SMTP

FLOOD_BYTES = 10 * 1024 * 1024
LIFETIME = 600


def write(path, data):  # whole at once: a reader never sees a part
    with open(path + ".tmp", "wb" if isinstance(data, bytes) else "w") as f:
        f.write(data)
    os.replace(path + ".tmp", path)


class Store:
    def __init__(self, folder):
        self.folder = folder
        self.count = 0

    async def handle_RCPT(self, server, session, envelope, address, options):
        if address.lower().startswith("refused"):
            return "550 5.1.1 no such user"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        self.count += 1
        base = os.path.join(self.folder, "mail%d" % self.count)
        lines = ["helo " + (session.host_name or ""), "from " + (envelope.mail_from or "")]
        lines += ["to " + r for r in envelope.rcpt_tos]
        # The test looks for the .env file: the data is complete before it appears.
        write(base + ".eml", envelope.original_content)
        write(base + ".env", "\n".join(lines) + "\n")
        return "250 2.0.0 stored as mail%d" % self.count


class NoEhlo(SMTP):
    async def smtp_EHLO(self, hostname):
        await self.push("500 5.5.1 EHLO not understood")


async def silent(reader, writer):
    await reader.read()  # until the client goes
    writer.close()


async def closing(reader, writer):
    writer.write(b"220 closing.test ready\r\n")
    await writer.drain()
    await reader.readline()
    writer.close()


async def flood(reader, writer):
    chunk = b"x" * 65536
    try:
        writer.write(b"220 ")
        for _ in range(FLOOD_BYTES // len(chunk)):
            writer.write(chunk)
            await writer.drain()
    except (ConnectionError, OSError):
        pass
    finally:
        writer.close()


async def endless(reader, writer):
    try:
        writer.write(b"220 endless.test ready\r\n")
        await reader.readline()
        while True:
            writer.write(b"250-endless.test and more\r\n")
            await writer.drain()
    except (ConnectionError, OSError):
        pass
    finally:
        writer.close()


async def main(folder):
    loop = asyncio.get_running_loop()
    store = Store(folder)
    servers = {
        "smtp": await loop.create_server(lambda: SMTP(store, hostname="smtp.test"), "127.0.0.1", 0),
        "helo": await loop.create_server(lambda: NoEhlo(store, hostname="helo.test"), "127.0.0.1", 0),
        "silent": await asyncio.start_server(silent, "127.0.0.1", 0),
        "closing": await asyncio.start_server(closing, "127.0.0.1", 0),
        "flood": await asyncio.start_server(flood, "127.0.0.1", 0),
        "endless": await asyncio.start_server(endless, "127.0.0.1", 0),
    }
    ports = "".join("%s %d\n" % (name, s.sockets[0].getsockname()[1]) for name, s in servers.items())
    with socket.socket() as probe:
        probe.bind(("127.0.0.1", 0))
        ports += "nobody %d\n" % probe.getsockname()[1]
    write(os.path.join(folder, "ports"), ports)
    end = time.monotonic() + LIFETIME
    stop = os.path.join(folder, "stop")
    while time.monotonic() < end and not os.path.exists(stop) and os.path.isdir(folder):
        await asyncio.sleep(0.1)
    for s in servers.values():
        s.close()
    if os.path.isdir(folder):
        with open(os.path.join(folder, "stopped"), "w"):
            pass


if __name__ == "__main__":
    asyncio.run(main(sys.argv[1]))
