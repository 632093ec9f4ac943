#!/usr/bin/python3
"""Independent reader of mail stores for tests: Python's mailbox and email packages.

Usage: /usr/bin/python3 oracle.py [--mboxcl2] [--parts] PATH...

Prints one JSON object per message, one per line (UTF-8), in file order.
What PATH is decides how it is read:
  a file named *.eml      one message (its bytes as they are)
  a file named *.emlx     one message: the bytes counted by the first line
                          (.partial.emlx: with the attachment files of its
                          parts, see "parts" below)
  any other file          an mbox, split by mailbox.mbox; with --mboxcl2 split
                          by this script honouring Content-Length (see below)
  a folder holding cur/ and new/ or tmp/
                          a Maildir, read by mailbox.Maildir: its cur/ and new/
                          only (not tmp/, not names beginning with '.', not
                          Maildir++ subfolders: give those as paths of their own)
  any other folder        every *.eml and *.emlx file below it, by path

Fields of every line:
  source    the mbox file, Maildir folder or message file
  message   1-based number of the message in its source (1 for a message file)
  subject, from
            the first such header field as written: unfolded, RFC 2047 words
            decoded ("" when absent)
  date      the first Date field as written, unfolded ("" when absent)
  date_utc  that date in UTC, "YYYY-MM-DDTHH:MM:SSZ" (comments removed; a date
            without zone taken as UTC), or null when absent or unparseable
  header_fields
            how many header fields the email package found (0: not a message)
  bytes, sha256
            length and SHA-256 of the message's bytes as the module gives them
mbox only:
  separator the "From " line (bytes decoded as UTF-8, bad bytes escaped)
  offset    byte offset of the separator line in the file
  copy_bytes, copy_sha256
            the message without the empty line that separates it from the next
            separator. mailbox.mbox drops that line when it is "\\n" but keeps a
            "\\r\\n" one, so in CRLF files these differ from bytes/sha256.
  split     (--mboxcl2 only) "content-length" where the count was honoured,
            "separator" where it was not
Maildir only:
  file      the message's path inside the Maildir ("cur/NAME" or "new/NAME")
Message files (and every message with --parts):
  parts     the leaf MIME parts, IMAP-numbered ("1", "2.2"; a message/rfc822
            part's own parts are numbered below it): part, type, filename
            (decoded), cte, bytes and sha256 of the DECODED body. A part with
            X-Apple-Content-Length also has apple_content_length and, for an
            .emlx, the attachment file Apple Mail keeps for it
            (../Attachments/<number>/<part>/<the one file there>):
            attachment (path), attachment_bytes, attachment_sha256, or
            attachment: null when there is none. In a restored copy of that
            message, the part's decoded sha256 must equal attachment_sha256.

--mboxcl2: split at separator lines ("From " at the start of a line), except
where a message's headers carry Content-Length: N and the N body bytes (after
the empty line that ends the headers) end exactly at the end of the file or at
a separator line, either directly or after one empty line. Then the message is
its headers and those N bytes, and "From " lines inside them do not split.

mailbox.Maildir needs a new/ folder (Thunderbird's maildir store has none) and
reads names beginning with '.' as messages; so the script reads a temporary
copy of cur/ and new/ without such names, and says on stderr what it left out.
"""
import email
import email.header
import email.policy
import email.utils
import hashlib
import json
import mailbox
import os
import re
import shutil
import sys
import tempfile
from datetime import timezone
from email.parser import BytesHeaderParser

FIELD_POLICY = email.policy.default


def sha(data):
    return hashlib.sha256(data).hexdigest()


def as_written(msg, field):
    raw = next((v for k, v in msg.raw_items() if k.lower() == field), None)
    if raw is None:
        return None
    return raw.replace('\r\n', '').replace('\n', '')


def header_summary(data):
    msg = BytesHeaderParser(policy=FIELD_POLICY).parsebytes(data)
    out = {'header_fields': len(msg.keys())}
    for field in ('subject', 'from'):
        raw = as_written(msg, field)
        try:
            out[field] = '' if raw is None else str(
                FIELD_POLICY.header_factory('x-as-written', raw))
        except Exception:  # noqa: BLE001 - keep the raw text then
            out[field] = raw
    raw = as_written(msg, 'date')
    out['date'] = (raw or '').strip()
    out['date_utc'] = None
    if raw:
        try:
            # Comments out first ("00:19:00 (EDT) -0400" would lose its zone).
            dt = email.utils.parsedate_to_datetime(re.sub(r'\([^()]*\)', ' ', raw).strip())
            dt = dt if dt.tzinfo else dt.replace(tzinfo=timezone.utc)
            out['date_utc'] = dt.astimezone(timezone.utc).strftime('%Y-%m-%dT%H:%M:%SZ')
        except Exception:  # noqa: BLE001
            pass
    return out


def decoded_filename(part):
    name = part.get_filename()
    if name is None:
        return None
    if '=?' in name:
        try:
            return str(email.header.make_header(email.header.decode_header(name)))
        except Exception:  # noqa: BLE001
            return name
    return name


def leaf_parts(msg):
    def walk(part, path):
        if part.is_multipart():
            payload = part.get_payload()
            if part.get_content_maintype() == 'message':
                inner = payload[0]
                if inner.get_content_maintype() == 'multipart' and inner.is_multipart():
                    for i, sub in enumerate(inner.get_payload(), 1):
                        yield from walk(sub, f'{path}.{i}')
                else:
                    yield from walk(inner, f'{path}.1')
            else:
                for i, sub in enumerate(payload, 1):
                    yield from walk(sub, f'{path}.{i}' if path else str(i))
        else:
            yield path or '1', part
    for path, part in walk(msg, ''):
        body = part.get_payload(decode=True) or b''
        entry = {'part': path, 'type': part.get_content_type(),
                 'filename': decoded_filename(part),
                 'cte': (part.get('Content-Transfer-Encoding') or '').strip().lower() or None,
                 'bytes': len(body), 'sha256': sha(body)}
        acl = part.get('X-Apple-Content-Length')
        if acl is not None:
            entry['apple_content_length'] = int(acl.strip())
        yield entry


def parts_of(data, attachments_dir=None):
    msg = email.message_from_bytes(data, policy=email.policy.compat32)
    parts = list(leaf_parts(msg))
    if attachments_dir is not None:
        for p in parts:
            if 'apple_content_length' not in p:
                continue
            folder = os.path.join(attachments_dir, p['part'])
            names = sorted(os.listdir(folder)) if os.path.isdir(folder) else []
            if len(names) == 1 and os.path.isfile(os.path.join(folder, names[0])):
                path = os.path.join(folder, names[0])
                with open(path, 'rb') as f:
                    content = f.read()
                p['attachment'] = path
                p['attachment_bytes'] = len(content)
                p['attachment_sha256'] = sha(content)
            else:
                p['attachment'] = None
    return parts


def emit(obj):
    sys.stdout.write(json.dumps(obj, ensure_ascii=False) + '\n')


# --------------------------------------------------------------------------

def emlx_message(data):
    first, nl, rest = data.partition(b'\n')
    try:
        count = int(first.strip().decode('ascii'))
    except ValueError:
        return data, 'no byte count on the first line; read the whole file'
    if count < 0 or count > len(rest):
        return rest, f'byte count {count}, {len(rest)} bytes follow; read those'
    return rest[:count], None


def read_message_file(path, number=1):
    with open(path, 'rb') as f:
        data = f.read()
    attachments = None
    note = None
    if path.lower().endswith('.emlx'):
        data, note = emlx_message(data)
        base = os.path.basename(path)
        num = base.split('.')[0]
        in_messages = os.path.basename(os.path.dirname(os.path.abspath(path))) == 'Messages'
        if base.lower().endswith('.partial.emlx') and in_messages:
            attachments = os.path.normpath(os.path.join(
                os.path.dirname(path), os.pardir, 'Attachments', num))
    line = {'source': path, 'message': number}
    line.update(header_summary(data))
    line.update({'bytes': len(data), 'sha256': sha(data)})
    if note:
        line['note'] = note
    line['parts'] = parts_of(data, attachments)
    emit(line)


def copy_bytes(data):
    """The message without a trailing separating empty line left in by the module."""
    if data.endswith(b'\r\n\r\n'):
        return data[:-2]
    return data


def read_mbox(path, with_parts):
    box = mailbox.mbox(path, create=False)
    try:
        keys = list(box.keys())
        toc = getattr(box, '_toc', {})
        with open(path, 'rb') as f:
            raw = f.read()
        for n, key in enumerate(keys, 1):
            data = box.get_bytes(key)
            start = toc.get(key, (None, None))[0]
            sep = None
            if start is not None:
                sep = raw[start:raw.index(b'\n', start)].rstrip(b'\r')
            copy = copy_bytes(data)
            line = {'source': path, 'message': n}
            line.update(header_summary(data))
            line.update({'bytes': len(data), 'sha256': sha(data),
                         'copy_bytes': len(copy), 'copy_sha256': sha(copy),
                         'separator': sep.decode('utf-8', 'backslashreplace') if sep is not None else None,
                         'offset': start})
            if with_parts:
                line['parts'] = parts_of(copy)
            emit(line)
    finally:
        box.close()


SEPARATOR = re.compile(rb'(?m)^From ')


def split_mboxcl2(data):
    """[(separator offset, message start, message end, how)]."""
    out = []
    pos = 0
    if not data.startswith(b'From '):
        raise ValueError('not an mbox: the first line does not begin with "From "')
    while pos < len(data):
        nl = data.find(b'\n', pos)
        start = len(data) if nl < 0 else nl + 1
        # headers: up to the first empty line
        body = None
        i = start
        while i < len(data):
            j = data.find(b'\n', i)
            j = len(data) if j < 0 else j + 1
            if data[i:j] in (b'\n', b'\r\n'):
                body = j
                break
            if data[i:j].startswith(b'From '):
                break
            i = j
        end = None
        if body is not None:
            m = re.search(rb'(?mi)^Content-Length:[ \t]*(\d+)[ \t]*\r?$', data[start:body])
            if m:
                cand = body + int(m.group(1))
                rest = data[cand:]
                at_line_start = cand > 0 and data[cand - 1:cand] == b'\n'
                for blank in (b'', b'\n', b'\r\n'):
                    if rest == blank or (rest.startswith(blank + b'From ')
                                         and (blank or at_line_start)):
                        end, nxt, how = cand, cand + len(blank), 'content-length'
                        break
        if end is None:
            m = SEPARATOR.search(data, start)
            nxt = m.start() if m else len(data)
            end, how = nxt, 'separator'
            if data[:end].endswith(b'\r\n\r\n'):
                end -= 2
            elif data[:end].endswith(b'\n\n'):
                end -= 1
        out.append((pos, start, end, how))
        pos = nxt
    return out


def read_mboxcl2(path, with_parts):
    with open(path, 'rb') as f:
        data = f.read()
    for n, (sep, start, end, how) in enumerate(split_mboxcl2(data), 1):
        msg = data[start:end]
        line = {'source': path, 'message': n}
        line.update(header_summary(msg))
        line.update({'bytes': len(msg), 'sha256': sha(msg),
                     'copy_bytes': len(msg), 'copy_sha256': sha(msg),
                     'separator': data[sep:start].rstrip(b'\r\n').decode('utf-8', 'backslashreplace'),
                     'offset': sep, 'split': how})
        if with_parts:
            line['parts'] = parts_of(msg)
        emit(line)


def is_maildir(path):
    return os.path.isdir(os.path.join(path, 'cur')) and (
        os.path.isdir(os.path.join(path, 'new')) or os.path.isdir(os.path.join(path, 'tmp')))


def read_maildir(path, with_parts):
    tmp = tempfile.mkdtemp(prefix='oracle-maildir-')
    try:
        for sub in ('cur', 'new', 'tmp'):
            os.mkdir(os.path.join(tmp, sub))
        for sub in ('cur', 'new'):
            src = os.path.join(path, sub)
            if not os.path.isdir(src):
                continue
            for name in sorted(os.listdir(src)):
                p = os.path.join(src, name)
                if name.startswith('.'):
                    print(f'oracle: {path}: left out {sub}/{name}', file=sys.stderr)
                elif os.path.isfile(p):
                    shutil.copyfile(p, os.path.join(tmp, sub, name))
        box = mailbox.Maildir(tmp, factory=None, create=False)
        rows = sorted((box._lookup(key), key) for key in box.keys())
        for n, (rel, key) in enumerate(rows, 1):
            data = box.get_bytes(key)
            line = {'source': path, 'message': n, 'file': rel}
            line.update(header_summary(data))
            line.update({'bytes': len(data), 'sha256': sha(data)})
            if with_parts:
                line['parts'] = parts_of(data)
            emit(line)
    finally:
        shutil.rmtree(tmp)


def read_folder(path):
    found = []
    for root, dirs, files in os.walk(path):
        dirs.sort()
        for name in files:
            if name.lower().endswith(('.eml', '.emlx')):
                found.append(os.path.join(root, name))
    for p in sorted(found):
        read_message_file(p)


def main(argv):
    args = argv[1:]
    cl2 = '--mboxcl2' in args
    with_parts = '--parts' in args
    paths = [a for a in args if not a.startswith('--')]
    if not paths or any(a not in ('--mboxcl2', '--parts') for a in args if a.startswith('--')):
        print(__doc__.split('\n\n')[1], file=sys.stderr)
        return 2
    for path in paths:
        if os.path.isdir(path):
            if is_maildir(path):
                read_maildir(path, with_parts)
            else:
                read_folder(path)
        elif path.lower().endswith(('.eml', '.emlx')):
            read_message_file(path)
        elif cl2:
            read_mboxcl2(path, with_parts)
        else:
            read_mbox(path, with_parts)
    return 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
