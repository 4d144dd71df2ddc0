#!/usr/bin/python3
"""The servers that the shared-book tests and benchmarks fetch from, all on 127.0.0.1.

    servers.py start DIR [--people N] [--cards N]   make DIR, start every server, write DIR/ports.env
    servers.py stop DIR                              stop what start started

Real servers from Debian's packages, with data of their own:
  slapd      ldap:// and ldaps:// (a certificate of the test authority in DIR/ca.cer)
               dc=velmora,dc=test  people in nested ous, readable without a password, at most
                                   500 entries a search unless the search pages its results
               dc=private,dc=test  only after a bind as cn=reader,dc=private,dc=test / secret
  radicale   http:// and https:// (the same authority): /shared/office/ open to everyone,
             /private/team/ only for reader / secret
And small stand-ins for what real servers do only when they are broken or far away, in one
background process: a web server for single files, a server that accepts and never answers,
a port whose connections are never accepted, endless and malformed answers, a redirect to
another host name that records what reaches it, and TLS in front of the real servers with a
certificate nobody trusts, one whose time is over, one for another name, one from an
authority the prefix does not trust, and ldaps and https servers that show a trusted
certificate to every other connection only (twofaced.log and twofaced-https.log say what
reached them over which).
"""
import argparse
import base64
import os
import signal
import socket
import ssl
import subprocess
import sys
import threading
import time
import http.server
import socketserver

HOST = "127.0.0.1"
FAMILY = ["山田", "佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "中村", "小林", "加藤",
          "吉田", "山本", "松本", "井上", "木村", "林", "斎藤", "清水", "山崎", "森"]
GIVEN = ["太郎", "花子", "一郎", "美咲", "健", "陽子", "翔太", "さくら", "大輔", "愛",
         "拓也", "真由美", "誠", "恵", "直樹", "由美", "剛", "舞", "亮", "彩"]
# The folders below the base: (ou path, outermost first, share of the people).
OUS = [((), 1), (("本社",), 2), (("本社", "営業部"), 3), (("本社", "開発部"), 2),
       (("本社", "開発部", "第一課"), 3), (("大阪支社",), 2)]
BASE = "dc=velmora,dc=test"
PRIVATE = "dc=private,dc=test"
READER = "cn=reader," + PRIVATE
SECRET = "secret"
PAGE_LIMIT = 500


SIGN_IN_PAGE = (b"<!DOCTYPE html>\n<html><head><title>Sign in</title></head><body><form action='/login'>"
                b"<input name='user'><input type='password' name='password'></form></body></html>\n")


def free_ports(count):
    """As many different free ports: each held while the next is chosen, so that no two
    servers are given the same one."""
    held = []
    try:
        for _ in range(count):
            s = socket.socket()
            s.bind((HOST, 0))
            held.append(s)
        return [s.getsockname()[1] for s in held]
    finally:
        for s in held:
            s.close()


def ou_dn(path):
    return "".join("ou=%s," % name for name in reversed(path)) + BASE


def people(count):
    """(uid, name, mails, ou path) of count people, the same every run."""
    slots = [ou for ou, share in OUS for _ in range(share)]
    result = []
    for i in range(count):
        name = FAMILY[i % len(FAMILY)] + " " + GIVEN[(i // len(FAMILY)) % len(GIVEN)]
        if i >= len(FAMILY) * len(GIVEN):
            name += " %d" % (i // (len(FAMILY) * len(GIVEN)))
        result.append(("user%05d" % i, name, ["user%05d@velmora.test" % i], slots[i % len(slots)]))
    # Entries the tests look for by name.
    result.append(("multi", "複数 メール", ["multi1@velmora.test", "multi2@velmora.test", "multi3@velmora.test"],
                   ("本社",)))
    result.append(("outside", "\U00020BB7野 家", ["outside@velmora.test"], ()))
    result.append(("takahashi", "髙橋 一", ["takahashi@velmora.test"], ("大阪支社",)))
    result.append(("nomail", "メール なし", [], ()))
    return result


def write_ldif(path, private_path, count):
    lines = ["dn: " + BASE, "objectClass: dcObject", "objectClass: organization", "o: Velmora", "dc: velmora", ""]
    for ou, _ in OUS:
        if ou:
            lines += ["dn: " + ou_dn(ou), "objectClass: organizationalUnit", "ou: " + ou[-1], ""]
    # A part of the tree that lives in another directory: a search there is referred on.
    lines += ["dn: ou=elsewhere," + BASE, "objectClass: referral", "objectClass: extensibleObject", "ou: elsewhere",
              "ref: ldap://127.0.0.1:1/ou=elsewhere,dc=other,dc=test", ""]
    for uid, name, mails, ou in people(count):
        family, given = name.split(" ", 1)
        lines += ["dn: uid=%s,%s" % (uid, ou_dn(ou)), "objectClass: inetOrgPerson", "uid: " + uid,
                  "cn: " + name, "sn: " + family]
        # Some people have a display name, the others are named by cn alone.
        if not uid.startswith("user") or int(uid[4:]) % 2 == 0:
            lines.append("displayName: " + name)
        lines += ["mail: " + m for m in mails]
        lines.append("")
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    lines = ["dn: " + PRIVATE, "objectClass: dcObject", "objectClass: organization", "o: Private", "dc: private", "",
              "dn: " + READER, "objectClass: person", "cn: reader", "sn: reader", "userPassword: " + SECRET, "",
              "dn: ou=役員," + PRIVATE, "objectClass: organizationalUnit", "ou: 役員", ""]
    for i, name in enumerate(["社長 一郎", "専務 二郎", "常務 三郎"]):
        lines += ["dn: uid=exec%d,ou=役員,%s" % (i, PRIVATE), "objectClass: inetOrgPerson", "uid: exec%d" % i,
                  "cn: " + name, "sn: " + name.split()[0], "mail: exec%d@velmora.test" % i, ""]
    with open(private_path, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")


def vcard(uid, name, mails, folders):
    family, given = name.split(" ", 1)
    lines = ["BEGIN:VCARD", "VERSION:3.0", "UID:" + uid, "FN:" + name, "N:%s;%s;;;" % (family, given)]
    lines += ["EMAIL;TYPE=INTERNET:" + m for m in mails]
    if folders:
        lines.append("CATEGORIES:" + "/".join(folders))
    lines.append("END:VCARD")
    return "\r\n".join(lines) + "\r\n"


def write_collections(root, cards):
    office = os.path.join(root, "collection-root", "shared", "office")
    team = os.path.join(root, "collection-root", "private", "team")
    for folder, tag in ((office, "VADDRESSBOOK"), (team, "VADDRESSBOOK")):
        os.makedirs(folder, exist_ok=True)
        with open(os.path.join(folder, ".Radicale.props"), "w") as f:
            f.write('{"tag": "%s", "D:displayname": "%s"}' % (tag, os.path.basename(folder)))
    for uid, name, mails, ou in people(cards):
        if mails:
            with open(os.path.join(office, uid + ".vcf"), "w", encoding="utf-8") as f:
                f.write(vcard(uid, name, mails, ou))
    with open(os.path.join(team, "exec0.vcf"), "w", encoding="utf-8") as f:
        f.write(vcard("exec0", "社長 一郎", ["exec0@velmora.test"], ("役員",)))


def write_files(folder):
    os.makedirs(folder, exist_ok=True)
    sample = people(30)[:30]
    with open(os.path.join(folder, "office.vcf"), "w", encoding="utf-8") as f:
        f.write("".join(vcard(*p) for p in sample))
    with open(os.path.join(folder, "office.csv"), "w", encoding="utf-8") as f:
        f.write("Display Name,Primary Email,Categories\r\n")
        f.write("".join('"%s",%s,%s\r\n' % (p[1], p[2][0], "/".join(p[3])) for p in sample))
    lines = ["Group 本社", "    山田 太郎: user00000@velmora.test", "    Group 営業部",
             "        佐藤 太郎: user00001@velmora.test", "    End group", "End group",
             "複数 メール: multi1@velmora.test, multi2@velmora.test"]
    with open(os.path.join(folder, "office.adr"), "wb") as f:
        f.write(("\r\n".join(lines) + "\r\n").encode("cp932"))
    # What a careless server or share holds where a book was expected.
    for name, content in (("empty.vcf", b""), ("empty.adr", b""), ("junk.vcf", bytes(range(256)) * 4),
                          ("page.vcf", SIGN_IN_PAGE)):
        with open(os.path.join(folder, name), "wb") as f:
            f.write(content)


def make_certificates(d):
    """A test authority (kept between runs of the same folder), a server certificate it signed
    for 127.0.0.1, localhost and dav.velmora.test (reached through the stand-in proxy), and a self-signed certificate that nobody trusts."""
    def run(*args):
        subprocess.run(["openssl"] + list(args), check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    if not os.path.exists(os.path.join(d, "ca.key")):
        run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650", "-subj", "/CN=Velmora Test Authority",
            "-keyout", os.path.join(d, "ca.key"), "-out", os.path.join(d, "ca.pem"))
    run("x509", "-in", os.path.join(d, "ca.pem"), "-outform", "DER", "-out", os.path.join(d, "ca.cer"))
    ext = os.path.join(d, "server.ext")
    with open(ext, "w") as f:
        # The address also as a DNS name: Wine matches server names against DNS names only.
        f.write("subjectAltName=IP:127.0.0.1,DNS:127.0.0.1,DNS:localhost,DNS:dav.velmora.test\nextendedKeyUsage=serverAuth\n")
    run("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", os.path.join(d, "server.key"),
        "-out", os.path.join(d, "server.csr"))
    run("x509", "-req", "-in", os.path.join(d, "server.csr"), "-CA", os.path.join(d, "ca.pem"), "-CAkey",
        os.path.join(d, "ca.key"), "-CAcreateserial", "-days", "30", "-extfile", ext, "-out",
        os.path.join(d, "server.pem"))
    run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "30", "-subj", "/CN=127.0.0.1", "-addext",
        "subjectAltName=IP:127.0.0.1,DNS:127.0.0.1", "-keyout", os.path.join(d, "untrusted.key"), "-out",
        os.path.join(d, "untrusted.pem"))
    # Certificates that a careless or hostile server shows: one of the test authority whose
    # time is over, one of the test authority for another name, and one for this address
    # from an authority that the prefix does not trust (sent alone, as an impostor would).
    ca_dir = os.path.join(d, "ca-db")
    subprocess.run(["rm", "-rf", ca_dir], check=True)
    os.makedirs(ca_dir)
    open(os.path.join(ca_dir, "index.txt"), "w").close()
    with open(os.path.join(ca_dir, "serial"), "w") as f:
        f.write("1000\n")
    with open(os.path.join(ca_dir, "ca.cnf"), "w") as f:
        f.write("[ca]\ndefault_ca = test\n[test]\ndir = %s\ndatabase = %s/index.txt\nnew_certs_dir = %s\n"
                "serial = %s/serial\ndefault_md = sha256\npolicy = any\nunique_subject = no\n"
                "[any]\ncommonName = supplied\n" % (ca_dir, ca_dir, ca_dir, ca_dir))
    run("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", os.path.join(d, "expired.key"),
        "-out", os.path.join(ca_dir, "expired.csr"))
    run("ca", "-batch", "-config", os.path.join(ca_dir, "ca.cnf"), "-cert", os.path.join(d, "ca.pem"), "-keyfile",
        os.path.join(d, "ca.key"), "-in", os.path.join(ca_dir, "expired.csr"), "-out", os.path.join(d, "expired.pem"),
        "-startdate", "20200101000000Z", "-enddate", "20210101000000Z", "-extfile", ext, "-notext")
    other_ext = os.path.join(ca_dir, "other.ext")
    with open(other_ext, "w") as f:
        f.write("subjectAltName=DNS:other.velmora.test\nextendedKeyUsage=serverAuth\n")
    run("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=other.velmora.test", "-keyout",
        os.path.join(d, "othername.key"), "-out", os.path.join(ca_dir, "othername.csr"))
    run("x509", "-req", "-in", os.path.join(ca_dir, "othername.csr"), "-CA", os.path.join(d, "ca.pem"), "-CAkey",
        os.path.join(d, "ca.key"), "-CAcreateserial", "-days", "30", "-extfile", other_ext, "-out",
        os.path.join(d, "othername.pem"))
    run("req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "3650", "-subj", "/CN=Foreign Authority",
        "-keyout", os.path.join(ca_dir, "foreign-ca.key"), "-out", os.path.join(ca_dir, "foreign-ca.pem"))
    run("req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=127.0.0.1", "-keyout", os.path.join(d, "foreign.key"),
        "-out", os.path.join(ca_dir, "foreign.csr"))
    run("x509", "-req", "-in", os.path.join(ca_dir, "foreign.csr"), "-CA", os.path.join(ca_dir, "foreign-ca.pem"),
        "-CAkey", os.path.join(ca_dir, "foreign-ca.key"), "-CAcreateserial", "-days", "30", "-extfile", ext, "-out",
        os.path.join(d, "foreign.pem"))


def slapd_config(d, ldap_port, ldaps_port):
    schema = "/etc/ldap/schema"
    conf = """
include {schema}/core.schema
include {schema}/cosine.schema
include {schema}/inetorgperson.schema
modulepath /usr/lib/ldap
moduleload back_mdb
pidfile {d}/slapd.pid
TLSCertificateFile {d}/server.pem
TLSCertificateKeyFile {d}/server.key
sizelimit {limit}

database mdb
suffix "{base}"
rootdn "cn=admin,{base}"
directory {d}/ldap-public
maxsize 1073741824
limits anonymous size.soft={limit} size.hard={limit} size.pr={limit} size.prtotal=unlimited
access to * by * read

database mdb
suffix "{private}"
rootdn "cn=admin,{private}"
directory {d}/ldap-private
require authc
access to attrs=userPassword by anonymous auth by * none
access to * by users read by anonymous auth
""".format(schema=schema, d=d, base=BASE, private=PRIVATE, limit=PAGE_LIMIT)
    path = os.path.join(d, "slapd.conf")
    with open(path, "w") as f:
        f.write(conf)
    for sub in ("ldap-public", "ldap-private"):
        os.makedirs(os.path.join(d, sub), exist_ok=True)
    return path


def radicale_config(d, port, tls):
    users = os.path.join(d, "users")
    with open(users, "w") as f:
        f.write("reader:%s\n" % SECRET)
    rights = os.path.join(d, "rights")
    with open(rights, "w") as f:
        f.write("[root]\nuser: .*\ncollection:\npermissions: R\n\n"
                "[shared]\nuser: .*\ncollection: shared(/.*)?\npermissions: rR\n\n"
                "[private]\nuser: reader\ncollection: private(/.*)?\npermissions: rR\n")
    conf = os.path.join(d, "radicale-%s.conf" % ("https" if tls else "http"))
    with open(conf, "w") as f:
        f.write("[server]\nhosts = %s:%d\n" % (HOST, port))
        if tls:
            f.write("ssl = True\ncertificate = %s/server.pem\nkey = %s/server.key\n" % (d, d))
        f.write("[auth]\ntype = htpasswd\nhtpasswd_filename = %s\nhtpasswd_encryption = plain\ndelay = 0\n"
                "[rights]\ntype = from_file\nfile = %s\n"
                "[storage]\nfilesystem_folder = %s\n"
                "[logging]\nlevel = warning\n" % (users, rights, os.path.join(d, "dav")))
    return conf


def wait_for_port(port, seconds=30):
    end = time.time() + seconds
    while time.time() < end:
        try:
            with socket.create_connection((HOST, port), timeout=1):
                return
        except OSError:
            time.sleep(0.1)
    raise SystemExit("servers.py: nothing answers on port %d" % port)


# ---- the stand-ins, run by "servers.py stand-ins DIR" in a background process ----

class QuietHandler(http.server.SimpleHTTPRequestHandler):
    """A plain web server: files by GET, any other method refused as real servers do,
    after reading the request's body (closing on an unread body would reset the connection)."""
    def log_message(self, *args):
        pass

    def refuse(self):
        self.rfile.read(int(self.headers.get("Content-Length", "0")))
        self.send_response(405)
        self.send_header("Allow", "GET, HEAD")
        self.send_header("Content-Length", "0")
        self.end_headers()

    do_PROPFIND = do_REPORT = do_POST = refuse


def serve_files(port, folder):
    handler = lambda *a, **k: QuietHandler(*a, directory=folder, **k)
    server = socketserver.ThreadingTCPServer((HOST, port), handler)
    server.daemon_threads = True
    server.serve_forever()


def serve_tcp(port, on_connection):
    listener = socket.socket()
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind((HOST, port))
    listener.listen(16)
    while True:
        conn, _ = listener.accept()
        threading.Thread(target=on_connection, args=(conn,), daemon=True).start()


def silent(conn):
    """Accepts and reads, never answers."""
    try:
        while conn.recv(65536):
            pass
    except OSError:
        pass


def read_request(conn):
    data = b""
    while b"\r\n\r\n" not in data:
        chunk = conn.recv(65536)
        if not chunk:
            return None
        data += chunk
    head, _, body = data.partition(b"\r\n\r\n")
    lines = head.decode("latin-1").split("\r\n")
    headers = {}
    for line in lines[1:]:
        key, _, value = line.partition(":")
        headers[key.strip().lower()] = value.strip()
    length = int(headers.get("content-length", "0"))
    while len(body) < length:
        chunk = conn.recv(65536)
        if not chunk:
            break
        body += chunk
    return lines[0], headers


def drip_http(conn):
    """200 with a vCard that comes one byte each half second; under /head/ the answer's
    headers themselves come that way."""
    try:
        request = read_request(conn)
        if request and " /head/" in request[0]:
            conn.sendall(b"HTTP/1.1 200 OK\r\nX-Wait: ")
        else:
            conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/vcard\r\nContent-Length: 100000\r\n\r\nBEGIN:VCARD\r\n")
        while True:
            time.sleep(0.5)
            conn.sendall(b"X")
    except OSError:
        pass


def endless_http(conn):
    """200 with a body that never ends: one vCard after another."""
    try:
        read_request(conn)
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/vcard\r\nTransfer-Encoding: chunked\r\n\r\n")
        card = vcard("x", "無限 太郎", ["endless@velmora.test"], ()).encode() * 64
        chunk = b"%x\r\n%s\r\n" % (len(card), card)
        while True:
            conn.sendall(chunk)
    except OSError:
        pass


def malformed_http(conn):
    """A collection that says it is an address book, then answers its query with broken XML."""
    try:
        while True:
            request = read_request(conn)
            if not request:
                return
            method = request[0].split(" ")[0]
            if method == "PROPFIND":
                body = (b'<?xml version="1.0"?><D:multistatus xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">'
                        b'<D:response><D:href>/book/</D:href><D:propstat><D:prop><D:resourcetype><D:collection/>'
                        b'<C:addressbook/></D:resourcetype></D:prop><D:status>HTTP/1.1 200 OK</D:status>'
                        b'</D:propstat></D:response></D:multistatus>')
            else:
                body = b'<?xml version="1.0"?><D:multistatus xmlns:D="DAV:"><D:response><D:href>/book/a.vcf'
            conn.sendall(b"HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml\r\nContent-Length: %d\r\n\r\n%s"
                         % (len(body), body))
    except OSError:
        pass


def odd_http(conn):
    """What a portal or a careless server answers: under /signin/ a sign-in page with 200 for
    every request, under /not-multistatus/ an address book whose query is answered with a
    207 that holds no multistatus."""
    try:
        while True:
            request = read_request(conn)
            if not request:
                return
            method, path = request[0].split(" ")[:2]
            status = b"207 Multi-Status"
            kind = b"application/xml"
            if path.startswith("/signin/"):
                status, kind, body = b"200 OK", b"text/html", SIGN_IN_PAGE
            elif method == "PROPFIND":
                body = (b'<?xml version="1.0"?><D:multistatus xmlns:D="DAV:" xmlns:C="urn:ietf:params:xml:ns:carddav">'
                        b'<D:response><D:href>%s</D:href><D:propstat><D:prop><D:resourcetype><D:collection/>'
                        b'<C:addressbook/></D:resourcetype></D:prop><D:status>HTTP/1.1 200 OK</D:status>'
                        b'</D:propstat></D:response></D:multistatus>' % path.encode())
            else:
                body = b'<?xml version="1.0"?><D:error xmlns:D="DAV:"><D:need-privileges/></D:error>'
            conn.sendall(b"HTTP/1.1 %s\r\nContent-Type: %s\r\nContent-Length: %d\r\n\r\n%s"
                         % (status, kind, len(body), body))
    except OSError:
        pass


def garbage(conn):
    """A web server's answer to whatever comes, the connection left open: no LDAP at all."""
    try:
        conn.recv(65536)
        page = b"<html><body>" + b"Not LDAP. " * 400 + b"</body></html>"
        conn.sendall(b"HTTP/1.1 400 Bad Request\r\nContent-Type: text/html\r\n\r\n" + page)
        while conn.recv(65536):
            pass
    except OSError:
        pass
    conn.close()


def ber_length(n):
    if n < 0x80:
        return bytes([n])
    raw = n.to_bytes((n.bit_length() + 7) // 8, "big")
    return bytes([0x80 | len(raw)]) + raw


def ber(tag, content):
    return bytes([tag]) + ber_length(len(content)) + content


def ber_int(value):
    return ber(0x02, value.to_bytes(max(1, (value.bit_length() + 8) // 8), "big"))


def endless_ldap(conn, delay=0, empty_pages=False):
    """Answers the bind, then answers a search with entries that never end (one each delay
    seconds), or, with empty_pages, every search with no entry and a new paging cookie."""
    try:
        buffered = b""
        while True:
            chunk = conn.recv(65536)
            if not chunk:
                return
            buffered += chunk
            while len(buffered) >= 2:
                # One LDAPMessage: SEQUENCE { messageID, protocolOp }
                length = buffered[1]
                start = 2
                if length & 0x80:
                    count = length & 0x7F
                    length = int.from_bytes(buffered[2:2 + count], "big")
                    start = 2 + count
                if len(buffered) < start + length:
                    break
                message = buffered[start:start + length]
                buffered = buffered[start + length:]
                msgid_len = message[1]
                msgid = int.from_bytes(message[2:2 + msgid_len], "big")
                op = message[2 + msgid_len]
                if op == 0x60:  # bind request
                    result = ber(0x61, ber(0x0A, b"\x00") + ber(0x04, b"") + ber(0x04, b""))
                    conn.sendall(ber(0x30, ber_int(msgid) + result))
                elif op == 0x63 and empty_pages:
                    done = ber(0x65, ber(0x0A, b"\x00") + ber(0x04, b"") + ber(0x04, b""))
                    value = ber(0x30, ber_int(0) + ber(0x04, b"cookie%d" % msgid))
                    control = ber(0x30, ber(0x04, b"1.2.840.113556.1.4.319") + ber(0x04, value))
                    conn.sendall(ber(0x30, ber_int(msgid) + done + ber(0xA0, control)))
                elif op == 0x63:  # search request
                    n = 0
                    while True:
                        time.sleep(delay)
                        n += 1
                        name = ("無限 %d " % n).encode() + b"x" * 1000
                        attrs = ber(0x30, ber(0x30, ber(0x04, b"cn") + ber(0x31, ber(0x04, name)))
                                    + ber(0x30, ber(0x04, b"mail") + ber(0x31, ber(0x04, b"e%d@velmora.test" % n))))
                        entry = ber(0x64, ber(0x04, b"uid=e%d,dc=velmora,dc=test" % n) + attrs)
                        conn.sendall(ber(0x30, ber_int(msgid) + entry))
                elif op == 0x42:  # unbind
                    return
    except OSError:
        pass


def redirecting(conn, state):
    """Asks for a password, then sends whoever gave it to another host name (localhost)."""
    try:
        request = read_request(conn)
        if not request:
            return
        if request[1].get("authorization") != "Basic " + base64.b64encode(b"reader:secret").decode():
            body = b"password please"
            conn.sendall(b'HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm="velmora"\r\n'
                         b"Content-Length: %d\r\nConnection: close\r\n\r\n%s" % (len(body), body))
        else:
            location = "http://localhost:%d/office.vcf" % state["RECORDER_PORT"]
            conn.sendall(b"HTTP/1.1 302 Found\r\nLocation: %s\r\nContent-Length: 0\r\nConnection: close\r\n\r\n"
                         % location.encode())
    except OSError:
        pass
    conn.close()


def recording(conn, state):
    """Serves a vCard and writes down every Authorization header that reached it."""
    try:
        request = read_request(conn)
        if not request:
            return
        with open(os.path.join(state["DIR"], "recorder.log"), "a") as log:
            log.write("%s authorization=%s\n" % (request[0], request[1].get("authorization", "-")))
        body = vcard("moved", "転送 先", ["moved@velmora.test"], ()).encode()
        conn.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/vcard\r\nContent-Length: %d\r\nConnection: close\r\n\r\n%s"
                     % (len(body), body))
    except OSError:
        pass
    conn.close()


def pump_both(client, upstream, tap=None):
    """Carries bytes both ways until either side closes; tap sees what the client sends."""
    def pump(src, dst, seen):
        try:
            while True:
                data = src.recv(65536)
                if not data:
                    break
                if seen:
                    seen(data)
                dst.sendall(data)
        except (OSError, ssl.SSLError):
            pass
        for s in (src, dst):
            try:
                s.close()
            except OSError:
                pass
    threading.Thread(target=pump, args=(upstream, client, None), daemon=True).start()
    pump(client, upstream, tap)


def connect_proxy(conn, state, login):
    """A proxy that opens a tunnel (CONNECT host:port) to that port of 127.0.0.1 whatever the
    host, so that a name nobody resolves can be used, and writes each request down; with
    login it answers 407 and asks for a proxy login instead."""
    try:
        request = read_request(conn)
        if not request:
            conn.close()
            return
        with open(os.path.join(state["DIR"], "proxy.log"), "a") as log:
            log.write("%s %s host=%s\n" % ("login" if login else "open", request[0], request[1].get("host", "-")))
        parts = request[0].split(" ")
        if login or len(parts) != 3 or parts[0] != "CONNECT":
            conn.sendall(b"HTTP/1.1 407 Proxy Authentication Required\r\n"
                         b"Proxy-Authenticate: Basic realm=\"proxy\"\r\nContent-Length: 0\r\n\r\n")
            conn.close()
            return
        upstream = socket.create_connection((HOST, int(parts[1].rpartition(":")[2])))
        conn.sendall(b"HTTP/1.1 200 Connection established\r\n\r\n")
    except (OSError, ValueError):
        conn.close()
        return
    pump_both(conn, upstream)


def tls_proxy(conn, target_port, context):
    """TLS with an untrusted certificate in front of a real server."""
    try:
        secure = context.wrap_socket(conn, server_side=True)
    except (OSError, ssl.SSLError):
        conn.close()
        return
    try:
        upstream = socket.create_connection((HOST, target_port))
    except OSError:
        secure.close()
        return
    pump_both(secure, upstream)


def tls_either(conn, state, context):
    """TLS with a given certificate in front of slapd or radicale, whichever the client
    speaks to (an LDAP message starts with a SEQUENCE, 0x30)."""
    try:
        secure = context.wrap_socket(conn, server_side=True)
        first = secure.recv(65536)
    except (OSError, ssl.SSLError):
        conn.close()
        return
    if not first:
        secure.close()
        return
    try:
        upstream = socket.create_connection((HOST, state["LDAP_PORT"] if first[0] == 0x30 else state["DAV_PORT"]))
        upstream.sendall(first)
    except OSError:
        secure.close()
        return
    pump_both(secure, upstream)


def ldap_operations(buffered):
    """The protocol operation tags of the whole LDAP messages at the start of buffered, and
    what is left after them."""
    tags = []
    while len(buffered) >= 2:
        length = buffered[1]
        start = 2
        if length & 0x80:
            count = length & 0x7F
            if len(buffered) < 2 + count:
                break
            length = int.from_bytes(buffered[2:2 + count], "big")
            start = 2 + count
        if len(buffered) < start + length:
            break
        message = buffered[start:start + length]
        buffered = buffered[start + length:]
        tags.append(message[2 + message[1]])
    return tags, buffered


def two_faced(conn, state, trusted, untrusted, counter):
    """slapd behind TLS that shows the trusted certificate to every other connection and a
    self-signed one to the rest, as an impostor would to a client that checks one connection
    and sends on another. Writes to twofaced.log each bind and search that reached it, with
    the certificate of the connection that carried it."""
    with counter["lock"]:
        counter["n"] += 1
        honest = counter["n"] % 2 == 1
    try:
        secure = (trusted if honest else untrusted).wrap_socket(conn, server_side=True)
        upstream = socket.create_connection((HOST, state["LDAP_PORT"]))
    except (OSError, ssl.SSLError):
        conn.close()
        return
    pending = [b""]
    names = {0x60: "bind", 0x63: "search"}

    def tap(data):
        tags, pending[0] = ldap_operations(pending[0] + data)
        with open(os.path.join(state["DIR"], "twofaced.log"), "a") as log:
            for tag in tags:
                if tag in names:
                    log.write("%s %s\n" % ("trusted" if honest else "untrusted", names[tag]))
    pump_both(secure, upstream, tap)


def two_faced_https(conn, state, trusted, foreign, counter):
    """A web server that shows the trusted certificate to every other connection and to the
    rest its own certificate alone, from an authority the prefix does not trust. It asks for
    Basic credentials and closes the connection after every answer, so that credentials come
    on a connection of their own. Writes to twofaced-https.log whatever reached it, with the
    certificate of the connection that carried it: a request's Host and Authorization, or
    the count of bytes that made no request. A connection closed before the handshake (a
    client's look whether the port answers) is no connection here."""
    try:
        if not conn.recv(1, socket.MSG_PEEK):
            conn.close()
            return
    except OSError:
        conn.close()
        return
    with counter["lock"]:
        counter["n"] += 1
        honest = counter["n"] % 2 == 1
    face = "trusted" if honest else "untrusted"
    received = [b""]
    try:
        secure = (trusted if honest else foreign).wrap_socket(conn, server_side=True)
    except (OSError, ssl.SSLError):
        conn.close()
        return

    class Tap:
        def recv(self, size):
            data = secure.recv(size)
            received[0] += data
            return data
    try:
        request = read_request(Tap())
    except (OSError, ssl.SSLError):
        request = None
    with open(os.path.join(state["DIR"], "twofaced-https.log"), "a") as log:
        if request:
            log.write("%s host=%s authorization=%s\n" % (face, request[1].get("host", "-"),
                                                        request[1].get("authorization", "-")))
        elif received[0]:
            log.write("%s bytes=%d\n" % (face, len(received[0])))
    try:
        if request and request[1].get("authorization"):
            body = vcard("twofaced", "二面 太郎", ["twofaced@velmora.test"], ()).encode()
            secure.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/vcard\r\nContent-Length: %d\r\n"
                           b"Connection: close\r\n\r\n%s" % (len(body), body))
        elif request:
            secure.sendall(b'HTTP/1.1 401 Unauthorized\r\nWWW-Authenticate: Basic realm="velmora"\r\n'
                           b"Content-Length: 0\r\nConnection: close\r\n\r\n")
    except (OSError, ssl.SSLError):
        pass
    secure.close()


def unaccepted(port):
    """A listening port whose backlog is full: new connections are never accepted."""
    listener = socket.socket()
    listener.bind((HOST, port))
    listener.listen(0)
    fillers = []
    for _ in range(4):
        s = socket.socket()
        s.setblocking(False)
        try:
            s.connect((HOST, port))
        except BlockingIOError:
            pass
        fillers.append(s)
    while True:
        time.sleep(3600)


def run_stand_ins(d):
    state = read_state(d)
    state["DIR"] = d
    def tls_context(name):
        made = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        made.load_cert_chain(os.path.join(d, name + ".pem"), os.path.join(d, name + ".key"))
        return made
    context = tls_context("untrusted")
    trusted = tls_context("server")
    counter = {"lock": threading.Lock(), "n": 0}
    https_counter = {"lock": threading.Lock(), "n": 0}
    foreign = tls_context("foreign")
    jobs = [
        (serve_files, (state["FILES_PORT"], os.path.join(d, "files"))),
        (serve_tcp, (state["SILENT_PORT"], silent)),
        (unaccepted, (state["UNACCEPTED_PORT"],)),
        (serve_tcp, (state["ENDLESS_HTTP_PORT"], endless_http)),
        (serve_tcp, (state["MALFORMED_HTTP_PORT"], malformed_http)),
        (serve_tcp, (state["GARBAGE_PORT"], garbage)),
        (serve_tcp, (state["ODD_HTTP_PORT"], odd_http)),
        (serve_tcp, (state["DRIP_HTTP_PORT"], drip_http)),
        (serve_tcp, (state["DRIP_LDAP_PORT"], lambda c: endless_ldap(c, delay=0.3))),
        (serve_tcp, (state["EMPTY_PAGES_LDAP_PORT"], lambda c: endless_ldap(c, empty_pages=True))),
        (serve_tcp, (state["ENDLESS_LDAP_PORT"], endless_ldap)),
        (serve_tcp, (state["REDIRECT_PORT"], lambda c: redirecting(c, state))),
        (serve_tcp, (state["RECORDER_PORT"], lambda c: recording(c, state))),
        (serve_tcp, (state["UNTRUSTED_LDAPS_PORT"], lambda c: tls_proxy(c, state["LDAP_PORT"], context))),
        (serve_tcp, (state["UNTRUSTED_HTTPS_PORT"], lambda c: tls_proxy(c, state["DAV_PORT"], context))),
        (serve_tcp, (state["TWOFACED_LDAPS_PORT"], lambda c: two_faced(c, state, trusted, context, counter))),
        (serve_tcp, (state["TWOFACED_HTTPS_PORT"],
                     lambda c: two_faced_https(c, state, trusted, foreign, https_counter))),
        (serve_tcp, (state["CONNECT_PROXY_PORT"], lambda c: connect_proxy(c, state, False))),
        (serve_tcp, (state["LOGIN_PROXY_PORT"], lambda c: connect_proxy(c, state, True))),
    ]
    for name in ("expired", "othername", "foreign"):
        made = tls_context(name)
        jobs.append((serve_tcp, (state[name.upper() + "_TLS_PORT"], lambda c, made=made: tls_either(c, state, made))))
    for target, args in jobs:
        threading.Thread(target=target, args=args, daemon=True).start()
    signal.sigwait([signal.SIGTERM, signal.SIGINT])


def read_state(d):
    state = {}
    with open(os.path.join(d, "ports.env")) as f:
        for line in f:
            key, _, value = line.strip().partition("=")
            if key:
                state[key] = int(value) if value.isdigit() else value
    return state


def start(d, people_count, card_count):
    d = os.path.abspath(d)
    stop(d)
    os.makedirs(d, exist_ok=True)
    for stale in ("ldap-public", "ldap-private", "dav", "files"):
        subprocess.run(["rm", "-rf", os.path.join(d, stale)], check=True)
    for stale in ("recorder.log", "twofaced.log", "twofaced-https.log", "proxy.log", "ports.env"):
        if os.path.exists(os.path.join(d, stale)):
            os.remove(os.path.join(d, stale))
    make_certificates(d)
    names = ["LDAP_PORT", "LDAPS_PORT", "DAV_PORT", "DAVS_PORT", "FILES_PORT", "SILENT_PORT", "UNACCEPTED_PORT",
             "ENDLESS_HTTP_PORT", "MALFORMED_HTTP_PORT", "GARBAGE_PORT", "ENDLESS_LDAP_PORT", "REDIRECT_PORT",
             "RECORDER_PORT", "UNTRUSTED_LDAPS_PORT", "UNTRUSTED_HTTPS_PORT", "CLOSED_PORT",
             "EXPIRED_TLS_PORT", "OTHERNAME_TLS_PORT", "FOREIGN_TLS_PORT", "TWOFACED_LDAPS_PORT",
             "ODD_HTTP_PORT", "DRIP_HTTP_PORT", "DRIP_LDAP_PORT", "EMPTY_PAGES_LDAP_PORT",
             "TWOFACED_HTTPS_PORT", "CONNECT_PROXY_PORT", "LOGIN_PROXY_PORT"]
    state = dict(zip(names, free_ports(len(names))))
    state["PEOPLE"] = people_count
    state["CARDS"] = card_count
    with open(os.path.join(d, "ports.env"), "w") as f:
        f.write("".join("%s=%s\n" % item for item in state.items()))

    write_ldif(os.path.join(d, "directory.ldif"), os.path.join(d, "private.ldif"), people_count)
    write_collections(os.path.join(d, "dav"), card_count)
    write_files(os.path.join(d, "files"))
    conf = slapd_config(d, state["LDAP_PORT"], state["LDAPS_PORT"])
    for suffix, ldif in ((BASE, "directory.ldif"), (PRIVATE, "private.ldif")):
        subprocess.run(["/usr/sbin/slapadd", "-q", "-f", conf, "-b", suffix, "-l", os.path.join(d, ldif)],
                       check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    pids = []
    log = open(os.path.join(d, "servers.log"), "a")
    slapd = subprocess.Popen(["/usr/sbin/slapd", "-d", "0", "-f", conf, "-h",
                              "ldap://%s:%d/ ldaps://%s:%d/" % (HOST, state["LDAP_PORT"], HOST, state["LDAPS_PORT"])],
                             stdout=log, stderr=log, start_new_session=True)
    pids.append(slapd.pid)
    for port, tls in ((state["DAV_PORT"], False), (state["DAVS_PORT"], True)):
        radicale = subprocess.Popen(["/usr/bin/python3", "-m", "radicale", "--config", radicale_config(d, port, tls)],
                                    stdout=log, stderr=log, start_new_session=True)
        pids.append(radicale.pid)
    stand_ins = subprocess.Popen([sys.executable, os.path.abspath(__file__), "stand-ins", d], stdout=log, stderr=log,
                                 start_new_session=True)
    pids.append(stand_ins.pid)
    with open(os.path.join(d, "pids"), "w") as f:
        f.write("\n".join(str(p) for p in pids) + "\n")
    for name in ("LDAP_PORT", "LDAPS_PORT", "DAV_PORT", "DAVS_PORT", "FILES_PORT", "REDIRECT_PORT"):
        wait_for_port(state[name])
    warm_up(state["DAV_PORT"])


def warm_up(port):
    """radicale reads every card of a collection the first time it is asked for them and
    keeps what it read: ask once here, so that no test or benchmark waits for that."""
    import urllib.request
    query = (b'<?xml version="1.0"?><C:addressbook-query xmlns:D="DAV:" '
             b'xmlns:C="urn:ietf:params:xml:ns:carddav"><D:prop><C:address-data/></D:prop></C:addressbook-query>')
    request = urllib.request.Request("http://%s:%d/shared/office/" % (HOST, port), data=query, method="REPORT",
                                     headers={"Depth": "1", "Content-Type": "application/xml"})
    with urllib.request.urlopen(request, timeout=600) as answer:
        answer.read()


def stop(d):
    path = os.path.join(os.path.abspath(d), "pids")
    if not os.path.exists(path):
        return
    with open(path) as f:
        pids = [int(line) for line in f if line.strip()]
    for pid in pids:
        try:
            os.kill(pid, signal.SIGTERM)
        except ProcessLookupError:
            pass
    end = time.time() + 10
    for pid in pids:
        while time.time() < end:
            try:
                os.kill(pid, 0)
            except ProcessLookupError:
                break
            time.sleep(0.05)
        else:
            try:
                os.kill(pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
    os.remove(path)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("action", choices=["start", "stop", "stand-ins"])
    parser.add_argument("dir")
    parser.add_argument("--people", type=int, default=3000)
    parser.add_argument("--cards", type=int, default=3000)
    args = parser.parse_args()
    if args.action == "start":
        start(args.dir, args.people, args.cards)
    elif args.action == "stop":
        stop(args.dir)
    else:
        run_stand_ins(args.dir)


if __name__ == "__main__":
    main()
