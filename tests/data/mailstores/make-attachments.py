#!/usr/bin/python3
"""Build the Apple Mail fixtures under applemail/ from ../corpus.

Usage: /usr/bin/python3 make-attachments.py      (writes next to this script)

- applemail/complete/: the corpus's real partial message 114858 with the three
  attachment files it leaves out, and a plain .emlx;
- applemail/missing-one/: the same partial message with one attachment file
  (2.6 image001.png) absent;
- applemail/crlf/: a CRLF partial message made here from a CRLF corpus message,
  with its one attachment file.

The attachment files of 114858 are not in the corpus (only the message is), so
they are generated: real files of their types with exactly the sizes the
message declares (X-Apple-Content-Length), from fixed seeds, so every run
writes the same bytes.
"""
import base64
import hashlib
import os
import re
import shutil
import struct
import sys
import uuid
import zlib

from fixturefiles import HERE, corpus, write


def stream(seed, n):
    """n deterministic bytes: SHA-256 in counter mode."""
    out = bytearray()
    counter = 0
    while len(out) < n:
        out += hashlib.sha256(seed + counter.to_bytes(8, 'big')).digest()
        counter += 1
    return bytes(out[:n])


def mailbox_uuid(name):
    return str(uuid.uuid5(uuid.NAMESPACE_URL, 'letterfold-fixture:' + name)).upper()


# --------------------------------------------------------------------------
# Attachment files

def compound_file(size, stream_name='Contents'):
    """An OLE2 compound file (the container of .doc files), version 3, 512-byte
    sectors, exactly `size` bytes: sector 0 is the FAT, sector 1 the directory,
    the rest one stream of deterministic bytes that runs to the end of the
    file (its last sector is short: `size` is no multiple of 512)."""
    sector = 512
    body = size - sector
    n_sectors = -(-body // sector)
    stream_sectors = n_sectors - 2
    stream_size = body - 2 * sector
    assert 0 < stream_size and n_sectors <= 128 and stream_size >= 4096
    FREE, END, FATSECT = 0xFFFFFFFF, 0xFFFFFFFE, 0xFFFFFFFD
    header = b'\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1' + b'\0' * 16
    header += struct.pack('<HHHHH6sIIIIIIIII', 0x003E, 0x0003, 0xFFFE, 9, 6, b'\0' * 6,
                          0,      # number of directory sectors (0 in version 3)
                          1,      # number of FAT sectors
                          1,      # first directory sector
                          0,      # transaction signature
                          4096,   # mini stream cutoff
                          END,    # first mini FAT sector
                          0,      # number of mini FAT sectors
                          END,    # first DIFAT sector
                          0)      # number of DIFAT sectors
    header += struct.pack('<I', 0) + struct.pack('<I', FREE) * 108   # DIFAT: FAT in sector 0
    assert len(header) == sector
    fat = [FATSECT, END] + [i + 1 for i in range(2, n_sectors - 1)] + [END]
    fat += [FREE] * (128 - len(fat))
    fat = struct.pack('<128I', *fat)

    def entry(name, kind, child, start, length, color=1):
        n = (name + '\0').encode('utf-16-le') if name else b''
        return (n.ljust(64, b'\0') + struct.pack('<HBB', len(n), kind, color)
                + struct.pack('<III', FREE, FREE, child) + b'\0' * 16 + struct.pack('<I', 0)
                + b'\0' * 16 + struct.pack('<III', start, length, 0))
    directory = (entry('Root Entry', 5, 1, END, 0)
                 + entry(stream_name, 2, FREE, 2, stream_size)
                 + entry('', 0, FREE, 0, 0, color=0) * 2)
    assert len(directory) == sector
    data = header + fat + directory + stream(b'letterfold original.doc', stream_size)
    assert len(data) == size and stream_sectors * sector >= stream_size
    return data


def plain_text(size):
    """ASCII text with LF line ends, exactly `size` bytes. It holds what
    quoted-printable must take care of: '=' signs, a line that ends in a space,
    a line longer than 76 characters, a line that begins with 'From ' and a
    line that is a single dot."""
    words = ('lorem ipsum dolor sit amet consetetur sadipscing elitr sed diam '
             'nonumy eirmod tempor invidunt ut labore et dolore magna aliquyam '
             'erat voluptua at vero eos et accusam et justo duo dolores ea rebum '
             'stet clita kasd gubergren no sea takimata sanctus est').split()
    lines = [
        'Notes for the meeting (text.txt)',
        '================================',
        '',
        'Budget: 2 * 3 = 6 and a = b + c; key=value pairs stay as they are. ',
        'From the minutes of the last meeting, the points below are still open:',
        '.',
        'A long line follows that no mail transport may carry unbroken, so an encoder has to break it softly: '
        + ' '.join(words[:24]) + '.',
        '',
    ]
    text = '\n'.join(lines) + '\n'
    seed = stream(b'letterfold text.txt', 4096)
    i = 0
    para = []
    while len(text.encode()) < size:
        w = words[seed[i % len(seed)] % len(words)]
        i += 1
        para.append(w)
        if len(' '.join(para)) > 64:
            text += ' '.join(para) + '\n'
            para = []
    data = text.encode('ascii')[:size - 1]
    data = data.rstrip(b' ') if data.endswith(b' ') else data
    data = data + b'.' * (size - 1 - len(data)) + b'\n'
    assert len(data) == size
    return data


def png(size):
    """A valid 8-bit RGB PNG of exactly `size` bytes: a colour gradient stored
    without compression (so the size does not depend on the zlib version),
    filled up to `size` with a tEXt Comment chunk."""
    def chunk(kind, payload):
        return (struct.pack('>I', len(payload)) + kind + payload
                + struct.pack('>I', zlib.crc32(kind + payload) & 0xFFFFFFFF))
    w, h = 183, 184
    raw = bytearray()
    for y in range(h):
        raw.append(0)  # filter: none
        for x in range(w):
            raw += bytes(((x * 255) // (w - 1), (y * 255) // (h - 1), ((x + y) * 255) // (w + h - 2)))
    idat = zlib.compress(bytes(raw), 0)
    head = b'\x89PNG\r\n\x1a\n' + chunk(b'IHDR', struct.pack('>IIBBBBB', w, h, 8, 2, 0, 0, 0))
    tail = chunk(b'IDAT', idat) + chunk(b'IEND', b'')
    room = size - len(head) - len(tail) - 12 - len(b'Comment\0')
    assert room > 0
    note = b'Test image for a mail-store fixture: a gradient, stored uncompressed.'
    comment = (note + b' ' + b'.' * room)[:room]
    data = head + chunk(b'tEXt', b'Comment\0' + comment) + tail
    assert len(data) == size
    return data


# --------------------------------------------------------------------------
# Message helpers

def emlx_parts(data):
    """(count line, message bytes, property list) of an .emlx file."""
    first, _, rest = data.partition(b'\n')
    count = int(first.strip())
    return first, rest[:count], rest[count:]


def apple_content_lengths(message):
    """{part number: (declared size, file name)} for the parts that carry
    X-Apple-Content-Length, numbered the IMAP way (Python's email package)."""
    import email
    import email.policy
    msg = email.message_from_bytes(message, policy=email.policy.compat32)
    found = {}

    def walk(part, path):
        if part.is_multipart():
            for i, sub in enumerate(part.get_payload(), 1):
                walk(sub, f'{path}.{i}' if path else str(i))
            return
        n = part.get('X-Apple-Content-Length')
        if n is not None:
            found[path or '1'] = (int(n), part.get_filename())
    walk(msg, '')
    return found


# --------------------------------------------------------------------------

def real_partial():
    """114858: the corpus's real partial message (LF), copied byte for byte."""
    data = corpus('emlxconv__114858.partial.emlx')
    _, message, _ = emlx_parts(data)
    parts = apple_content_lengths(message)
    assert parts == {'2.2': (35967, 'original.doc'),
                     '2.4': (2146, 'text.txt'),
                     '2.6': (101404, 'image001.png')}, parts
    files = {
        '2.2/original.doc': compound_file(35967),
        '2.4/text.txt': plain_text(2146),
        '2.6/image001.png': png(101404),
    }
    for variant, leave_out in (('complete', None), ('missing-one', '2.6/image001.png')):
        box = f'applemail/{variant}/INBOX.mbox/{mailbox_uuid(variant + "/INBOX")}'
        data_dir = f'{box}/Data/1/4'
        write(f'{data_dir}/Messages/114858.partial.emlx', data)
        for rel, content in files.items():
            if rel != leave_out:
                write(f'{data_dir}/Attachments/114858/{rel}', content)
        if variant == 'complete':
            # A whole message in the same mailbox (numbers under 1000 sit
            # directly in Data/Messages).
            write(f'{box}/Data/Messages/789.emlx', corpus('pyemlx__plaintext.emlx'))


CRLF_PLIST = b'''<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>date-last-viewed</key>
	<integer>0</integer>
	<key>date-received</key>
	<integer>1255696774</integer>
	<key>flags</key>
	<integer>17213623424</integer>
	<key>remote-id</key>
	<string>1730</string>
</dict>
</plist>
'''


def crlf_partial():
    """1730: mail__japanese_attachment.eml (CRLF) made partial the way the real
    114858 is: the attachment part (part 2, base64, its file name an RFC 2047
    word in quotes) keeps its headers, gains X-Apple-Content-Length with the
    decoded size as its last header, and loses its body. The .emlx framing:
    a count line padded to 10 characters with LF, the CRLF message, then the
    property list with LF line ends."""
    message = corpus('mail__japanese_attachment.eml')
    m = re.search(rb'(X-Attachment-Id: f_g0uxfl510\r\n)\r\n([A-Za-z0-9+/=\r\n]+?)\r\n(--00032557395e3572cf04760cb060--)$',
                  message)
    assert m, 'unexpected corpus message'
    attachment = base64.b64decode(m.group(2))
    partial = (message[:m.start()] + m.group(1)
               + b'X-Apple-Content-Length: ' + str(len(attachment)).encode() + b'\r\n'
               + b'\r\n'            # the empty line that ends the part's headers
               + b'\r\n' + m.group(3))  # empty body; line end before the boundary
    assert b'\n' not in partial.replace(b'\r\n', b'')
    assert apple_content_lengths(partial) == {'2': (len(attachment), '=?UTF-8?B?44Gm44GZ44GoLnR4dA==?=')}
    emlx = f'{len(partial):<10}\n'.encode() + partial + CRLF_PLIST
    box = f'applemail/crlf/Archive.mbox/{mailbox_uuid("crlf/Archive")}'
    write(f'{box}/Data/1/Messages/1730.partial.emlx', emlx)
    write(f'{box}/Data/1/Attachments/1730/2/てすと.txt', attachment)


def main():
    shutil.rmtree(os.path.join(HERE, 'applemail'), ignore_errors=True)
    real_partial()
    crlf_partial()


if __name__ == '__main__':
    sys.exit(main())
