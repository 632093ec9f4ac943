#!/usr/bin/python3
"""Build the mbox, Maildir and not-mail fixtures in this folder from ../corpus.

Usage: /usr/bin/python3 make-mailstores.py      (writes next to this script)

Deterministic: the same corpus gives the same bytes. Every message is a corpus
file; what this script changes in it is said where it does so and in README.md.
The Apple Mail fixtures are made by make-attachments.py.
"""
import email.utils
import hashlib
import os
import re
import shutil
import sys
from datetime import date, datetime, timedelta, timezone

from fixturefiles import HERE, corpus, write

DAYS = ['Mon', 'Tue', 'Wed', 'Thu', 'Fri', 'Sat', 'Sun']
MONTHS = ['Jan', 'Feb', 'Mar', 'Apr', 'May', 'Jun',
          'Jul', 'Aug', 'Sep', 'Oct', 'Nov', 'Dec']


def asctime(dt):
    """ctime()-style date as in From_ lines: 'Wed May 16 00:40:34 2001' (day padded with a space)."""
    return (f'{DAYS[dt.weekday()]} {MONTHS[dt.month - 1]} {dt.day:2d} '
            f'{dt.hour:02d}:{dt.minute:02d}:{dt.second:02d} {dt.year}')


def to_lf(data):
    return data.replace(b'\r\n', b'\n')


def to_crlf(data):
    assert b'\r' not in data
    return data.replace(b'\n', b'\r\n')


def with_final_newline(data):
    if data.endswith(b'\n'):
        return data
    return data + (b'\r\n' if b'\r\n' in data else b'\n')


def drop_envelope_line(data):
    """A corpus file that begins with an envelope 'From ' line (cut from an
    mbox): return (that line without its line end, the message after it)."""
    assert data.startswith(b'From ') and not re.match(rb'From\s*:', data)
    line, _, rest = data.partition(b'\n')
    return line.rstrip(b'\r'), rest


def header_block(data):
    return re.split(rb'\r?\n\r?\n', data, maxsplit=1)[0]


def mboxrd_escape(data):
    """Add one '>' to every line that matches ^>*From (what an mboxrd writer does)."""
    return re.sub(rb'(?m)^(>*From )', rb'>\1', data)


def assert_no_separator_inside(msg, name):
    assert not re.search(rb'(?m)^From ', msg), f'{name}: unescaped From line'


# --------------------------------------------------------------------------
# mbox files

def thunderbird():
    """Thunderbird 'Local Folders' as on Linux: extensionless mbox files with
    'From - <date>' separators (the date the message was stored), LF line ends,
    X-Mozilla-Status/-Status2/-Keys lines put above each message's headers,
    an empty line after each message, an .msf index beside each mailbox, and
    subfolders in <name>.sbd/."""
    inbox = [
        'mimekit__gmail.eml',
        'mail__raw_email10.eml',
        'mimekit__japanese.eml',
        'mimekit__delivery-status-no-blank-line.eml',
        'mail__attachment_nonascii_filename.eml',
        'cpython__msg_15.eml',
        'mimekit__simple-embedded-message.eml',
        'mail__utf8_headers.eml',
    ]
    projects = [
        'mimekit__rfc2060.eml',
        'mail__attachment_with_encoded_name.eml',
        'cpython__msg_45.eml',
    ]
    keys_line = b'X-Mozilla-Keys: ' + b' ' * 80 + b'\n'

    def mailbox(names, first_day):
        out = b''
        for i, name in enumerate(names):
            data = corpus(name)
            if data.startswith(b'From '):
                _, data = drop_envelope_line(data)
            msg = with_final_newline(to_lf(data))
            assert_no_separator_inside(msg, name)
            stored = datetime(first_day.year, first_day.month, first_day.day) + \
                timedelta(days=i * 9, hours=i * 3, minutes=i * 7)
            out += f'From - {asctime(stored)}\n'.encode()
            # A message that already carries X-Mozilla-Status (one saved by an
            # older Mozilla) is stored as it is, as Thunderbird does.
            if not re.search(rb'(?mi)^X-Mozilla-Status:', header_block(msg)):
                out += b'X-Mozilla-Status: 0001\nX-Mozilla-Status2: 00000000\n' + keys_line
            out += msg + b'\n'
        return out

    write('thunderbird/Local Folders/Inbox', mailbox(inbox, date(2024, 1, 1)))
    write('thunderbird/Local Folders/Inbox.msf', mork('Inbox', len(inbox)))
    write('thunderbird/Local Folders/Inbox.sbd/Projects.2023', mailbox(projects, date(2023, 1, 1)))
    write('thunderbird/Local Folders/Inbox.sbd/Projects.2023.msf', mork('Projects.2023', len(projects)))


def takeout_file(rel, names, labels):
    """A Google Takeout mbox: separators 'From <thread id>@xxx' without a date,
    X-GM-THRID and X-Gmail-Labels lines put above each message's headers, an
    empty line after each message. Each message keeps its corpus line ends, so
    a file can hold CRLF and LF messages; the lines added for a message use
    its line end."""
    out = b''
    for i, name in enumerate(names):
        data = corpus(name)
        if data.startswith(b'From '):
            _, data = drop_envelope_line(data)
        msg = with_final_newline(data)
        assert_no_separator_inside(msg, name)
        eol = b'\r\n' if msg.endswith(b'\r\n') else b'\n'
        seed = hashlib.sha256(f'{rel} {i}'.encode()).digest()
        thrid = 1_600_000_000_000_000_000 + int.from_bytes(seed[:8], 'big') % 300_000_000_000_000_000
        out += b'From ' + str(thrid).encode() + b'@xxx' + eol
        out += b'X-GM-THRID: ' + str(thrid).encode() + eol
        out += b'X-Gmail-Labels: ' + labels[i] + eol
        out += msg + eol
    write(rel, out)


def takeout():
    # The second message (cpython__msg_47.eml) has MIME parts whose headers
    # are not followed by an empty line.
    takeout_file('takeout/All mail Including Spam and Trash.mbox', [
        'mail__basic_email.eml',
        'cpython__msg_47.eml',
        'mail__japanese_attachment.eml',
        'mimekit__multipart-related-mhtml.eml',
        'mail__raw_email_with_partially_quoted_subject.eml',
    ], [b'Inbox,Opened', b'Opened,Category Updates', b'Archived,Opened',
        b'Spam', b'Trash,Opened'])


MUTT = [
    # (corpus file, what is special)
    ('mail__raw_email.eml', 'its own envelope line is the separator'),
    ('cpython__msg_02.eml', 'a digest holding several messages'),
    ('mail__cant_parse_from.eml', 'two body lines "From one solid piece", stored as ">From "'),
    ('mail__attachment_message_rfc822.eml', 'an attached message whose first line is a From_ line, stored as ">>From "'),
    ('mail__japanese.eml', 'RFC 2047 subject'),
    ('mail__raw_email6.eml', '8-bit body (ISO-8859-1)'),
    ('cpython__msg_05.eml', 'no Date and no Received: the date is the separator\'s'),
    ('cpython__msg_10.eml', 'ends with its closing MIME boundary; the next separator follows at once'),
    ('mimekit__body.6.eml', 'follows without an empty line; separator "From - ..."'),
    ('mail__utf8_headers.eml', 'raw UTF-8 in headers'),
    ('mail__attachment_pdf_lf.eml', 'its own envelope line is the separator; 8-bit bytes'),
    ('mimekit__disposition-notification.eml', 'multipart/report, last message'),
]


# Messages without Date (and without Received): the delivery time their
# separator line gives them, made up here (the only date these messages have).
DELIVERED = {
    'cpython__msg_05.eml': datetime(2001, 8, 3, 16, 28, 10),  # its Message-Id's time
    'mail__japanese.eml': datetime(2009, 10, 16, 12, 39, 34),
    'mail__utf8_headers.eml': datetime(2019, 3, 5, 8, 0, 0),
}


def mutt_separator(name, msg):
    block = header_block(msg)
    m = re.search(rb'(?mi)^From:(.*(?:\n[ \t].*)*)', block)
    addr = email.utils.parseaddr(m.group(1).decode('utf-8', 'replace'))[1] if m else ''
    if not addr or '@' not in addr:
        addr = 'MAILER-DAEMON'
    d = re.search(rb'(?mi)^Date:(.*)', block)
    if d:
        # Comments out first: 'Wed, 20 Sep 1995 00:19:00 (EDT) -0400' would
        # otherwise lose its zone.
        text = re.sub(r'\([^()]*\)', ' ', d.group(1).decode()).strip()
        dt = email.utils.parsedate_to_datetime(text)
        if dt.tzinfo:
            dt = dt.astimezone(timezone.utc)
    else:
        dt = DELIVERED[name]
    return f'From {addr} {asctime(dt)}'.encode()


def mutt():
    """The classic mbox mutt reads (~/mbox, /var/mail/USER): 'From addr date'
    separators, an empty line after each message, body lines that match
    ^>*From escaped with one more '>' (the mboxrd way). LF line ends
    (CRLF originals converted, as a local delivery agent stores mail)."""
    out = b''
    for name, _ in MUTT:
        data = corpus(name)
        if data.startswith(b'From '):
            sep, data = drop_envelope_line(data)
        else:
            sep = None
        msg = with_final_newline(to_lf(data))
        if name == 'mail__attachment_message_rfc822.eml':
            # Stands for a message that passed through an mboxo mailbox before
            # (forwarded messages often carry '>From ' so): its attached
            # message's envelope line was escaped once already.
            msg, n = re.subn(rb'(?m)^From (xxxx@xxxx\.com)', rb'>From \1', msg)
            assert n == 1
        escaped = mboxrd_escape(msg)
        assert header_block(escaped) == header_block(msg), name
        assert_no_separator_inside(escaped, name)
        if sep is None:
            sep = mutt_separator(name, msg)
        if name == 'mimekit__body.6.eml':
            # An older mail program appended this one without the empty line.
            assert out.endswith(b'--BOUNDARY--\n\n')
            out = out[:-1]
            sep = b'From - Sat Nov 22 10:31:07 2014'
        out += sep + b'\n' + escaped + b'\n'
    write('mutt/mbox', out)
    write('mutt/mbox-crlf', to_crlf(out))


def mboxcl2():
    """mboxcl2: each message carries 'Content-Length: N' (the bytes of its body,
    after the empty line that ends the headers); bodies are NOT escaped, so
    body lines that begin with 'From ' stay as they are. After the N body
    bytes come the empty line and the next separator (or the end of file).
    LF line ends."""
    names = [
        'cpython__msg_01.eml',
        'mail__attachment_message_rfc822.eml',
        'mimekit__delivery-status.eml',
        'mail__cant_parse_from.eml',
    ]
    out = b''
    for name in names:
        data = corpus(name)
        if data.startswith(b'From '):
            _, data = drop_envelope_line(data)
        msg = with_final_newline(to_lf(data))
        head, body = msg.split(b'\n\n', 1)
        have = re.search(rb'(?mi)^Content-Length:[ \t]*(\d+)[ \t]*$', head)
        if have:
            # mimekit__delivery-status.eml is a real message from a Mozilla
            # mbox whose own Content-Length is right; kept as it is.
            assert int(have.group(1)) == len(body), name
        else:
            head += b'\nContent-Length: ' + str(len(body)).encode()
        sep = mutt_separator(name, msg)
        out += sep + b'\n' + head + b'\n\n' + body + b'\n'
    assert len(re.findall(rb'(?m)^From ', out)) == len(names) + 3
    write('mboxcl2/mbox', out)


def apple_export():
    """Apple Mail's 'Export Mailbox...': a folder Name.mbox holding a file 'mbox'.
    Classic 'From addr date' separators, LF line ends."""
    names = ['mail__raw_email7.eml', 'mail__raw_email_with_nested_attachment.eml',
             'pyemlx__plaintext.emlx']
    out = b''
    for name in names:
        data = corpus(name)
        if name.endswith('.emlx'):
            first, _, rest = data.partition(b'\n')
            data = rest[:int(first.strip())]
        if data.startswith(b'From '):
            sep, data = drop_envelope_line(data)
        else:
            sep = None
        msg = with_final_newline(to_lf(data))
        assert_no_separator_inside(msg, name)
        out += (sep or mutt_separator(name, msg)) + b'\n' + msg + b'\n'
    write('applemail-export/Export.mbox/mbox', out)


# --------------------------------------------------------------------------
# Maildir

MAILDIR = [
    # (path under maildir/, corpus file)
    ('Mail/cur/1700000000.M123P456.host:2,S', 'mail__basic_email.eml'),
    ('Mail/cur/1700000002.M125P456.host:2,RS', 'mail__example13.eml'),
    ('Mail/cur/1700000003.M126P456.host:2,FS', 'mail__raw_email_simple.eml'),
    ('Mail/new/1700000001.M124P456.host', 'mimekit__japanese.eml'),
    ('Mail/new/1700000004.M127P456.host', 'cpython__msg_26.eml'),
    ('Mail/tmp/1700000005.M128P456.host', 'mail__example01.eml'),
    ('Mail/cur/.nfs00000000001c2d3e00000001', 'mail__example02.eml'),
    ('Mail/.Sent/cur/1700000010.M130P456.host:2,S', 'mail__raw_email_reply.eml'),
    ('Mail/.Sent/cur/1700000011.M131P456.host:2,S', 'mimekit__rfc8463-example.eml'),
    ('Mail/.Archive.2019/cur/1560000000.M10P99.host:2,S', 'mail__raw_email_with_at_display_name.eml'),
    ('Mail/.Archive.2019/cur/1560000001.M11P99.host!2,S', 'cpython__msg_33.eml'),
    ('Mail/.Archive.2019/new/1560000002.M12P99.host', 'mimekit__issue1130.eml'),
    ('thunderbird-maildir/Local Folders/Inbox/cur/1700000020.M140P789.host', 'mail__example06.eml'),
    ('thunderbird-maildir/Local Folders/Inbox/cur/1700000021.M141P789.host', 'mimekit__body.3.eml'),
]

# Folders git would drop because they are empty: each gets an empty '.keep'.
KEEP = [
    'Mail/.Sent/new', 'Mail/.Sent/tmp', 'Mail/.Archive.2019/tmp',
    'thunderbird-maildir/Local Folders/Inbox/tmp',
]


def maildir():
    """Messages byte for byte as in the corpus (a Maildir file is a message file)."""
    for rel, name in MAILDIR:
        write('maildir/' + rel, corpus(name))
    for rel in KEEP:
        write(f'maildir/{rel}/.keep', b'')
    # Maildir++ subfolders carry an empty 'maildirfolder' file (Courier, Dovecot).
    write('maildir/Mail/.Sent/maildirfolder', b'')
    write('maildir/Mail/.Archive.2019/maildirfolder', b'')
    uids = [rel.split('/')[-1].split(':')[0] for rel, _ in MAILDIR
            if rel.startswith('Mail/c') or rel.startswith('Mail/n')]
    uids = [u for u in uids if not u.startswith('.')]
    lines = [b'3 V1700000000 N%d G5d3c1f0a9b8e7d6c5b4a39281706f5e4' % (len(uids) + 1)]
    lines += [b'%d :%s' % (i + 1, u.encode()) for i, u in enumerate(sorted(uids))]
    write('maildir/Mail/dovecot-uidlist', b'\n'.join(lines) + b'\n')
    write('maildir/thunderbird-maildir/Local Folders/Inbox.msf', mork('Inbox', 2))


# --------------------------------------------------------------------------
# Files that are not mail

def mork(folder, count):
    """A small Thunderbird folder index in Mork text form. No line of its first
    block (up to the first empty line) is a header field; later lines such as
    '{1:^80 ...' look like one to a careless reader."""
    return (
        '// <!-- <mdb:mork:z v="1.4"/> -->\n'
        '< <(a=c)> // (f=iso-8859-1)\n'
        '  (B8=ns:msg:db:row:scope:dbfolderinfo:all)\n'
        '  (B9=ns:msg:db:table:kind:dbfolderinfo)(BA=numMsgs)(BB=numNewMsgs)\n'
        '  (BC=folderSize)(BD=expungedBytes)(BE=folderDate)(BF=highWaterKey)\n'
        '  (C0=mailboxName)(C1=UIDValidity)(C2=totPendingMsgs)\n'
        '  (C3=unreadPendingMsgs)(C4=charSetOverride)(C5=version)>\n'
        '\n'
        '<(80=0)(81=1)>\n'
        '\n'
        '{1:^B8 {(k^B9:c)(s=9)} \n'
        f'  [1(^BA={count:x})(^BB^80)(^BC=0)(^BD^80)(^BE=659210a0)(^BF={count:x})\n'
        f'    (^C0={folder})(^C5^81)]}}\n'
    ).encode()


def random_bytes(n, seed):
    out = b''
    counter = 0
    while len(out) < n:
        out += hashlib.sha256(seed + counter.to_bytes(8, 'big')).digest()
        counter += 1
    return out[:n]


FIELD = re.compile(rb'^[\x21-\x39\x3b-\x7e]+[ \t]*:')


def has_header_field(data):
    block = re.split(rb'\r?\n\r?\n', data, maxsplit=1)[0]
    return any(FIELD.match(line) for line in re.split(rb'\r?\n', block))


def junk():
    rnd = random_bytes(2048, b'letterfold mailstores random.bin')
    assert not has_header_field(rnd) and not rnd.startswith(b'From ')
    write('junk/random.bin', rnd)
    write('junk/fake.eml', rnd)
    msf = mork('Inbox', 8)
    assert not has_header_field(msf)
    write('junk/Inbox.msf', msf)
    plist = (
        b'<?xml version="1.0" encoding="UTF-8"?>\n'
        b'<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" '
        b'"http://www.apple.com/DTDs/PropertyList-1.0.dtd">\n'
        b'<plist version="1.0">\n'
        b'<dict>\n'
        b'\t<key>MailboxName</key>\n'
        b'\t<string>INBOX</string>\n'
        b'\t<key>UnreadCount</key>\n'
        b'\t<integer>0</integer>\n'
        b'</dict>\n'
        b'</plist>\n')
    assert not has_header_field(plist)
    write('junk/Info.plist', plist)


def main():
    for d in ('thunderbird', 'takeout', 'mutt', 'mboxcl2', 'applemail-export',
              'maildir', 'junk', 'eml'):
        shutil.rmtree(os.path.join(HERE, d), ignore_errors=True)
    thunderbird()
    takeout()
    mutt()
    mboxcl2()
    apple_export()
    maildir()
    junk()
    # A saved message that begins with a 'From ' envelope line: one message.
    write('eml/mail__raw_email.eml', corpus('mail__raw_email.eml'))


if __name__ == '__main__':
    sys.exit(main())
