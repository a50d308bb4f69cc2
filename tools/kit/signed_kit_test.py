"""The signed kit (tools/kit/sign_kit.py) made with a throwaway code-signing
certificate (a CA and a publisher it certifies, made here by openssl), its key
in a PKCS#12 file with a password and in a SoftHSM token (PKCS#11): every PE
of the kit and of Setup's payload carries a SHA-256 signature that
`osslsigncode verify` accepts against that CA; the payload holds the same
entries in the same order, form and times, only its PEs changed; the signed
kit passes the kit's own check (check_kit.py); the unsigned kit stays as it
was. Without a key nothing is written; with a wrong password, no signed kit
is left (an earlier one is removed). The signed kits stay in the output
folder (pkcs12/, pkcs11/) for an installation under Wine (CTest:
signed_kit_install).

Usage: signed_kit_test.py <unsigned kit> <output folder> <i686|x86_64> <objdump> <check-imports.sh>
Exit status: 0 when every check holds, 1 otherwise (each failure printed).
"""
import io
import os
import shutil
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
from pe_resource import find_resource  # noqa: E402
from sign_kit import is_pe  # noqa: E402

PKCS11_MODULE = "/usr/lib/softhsm/libsofthsm2.so"
failures = []


def check(condition, what):
    if not condition:
        failures.append(what)
    return condition


def run(args, env=None):
    return subprocess.run(args, capture_output=True, text=True, env=env)


def make_keys(folder):
    """A CA and a code-signing certificate it issued, its key in a PKCS#12
    file and in a SoftHSM token; returns (the CA, the variables of each key)."""
    def tool(*args):
        result = run(list(args))
        if result.returncode != 0:
            raise RuntimeError("%s %s: %s" % (args[0], args[1], result.stderr))
        return result.stdout
    at = lambda name: os.path.join(folder, name)  # noqa: E731
    tool("openssl", "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", at("ca.key"), "-out", at("ca.pem"),
         "-days", "2", "-subj", "/CN=Throwaway test CA",
         "-addext", "basicConstraints=critical,CA:true", "-addext", "keyUsage=critical,keyCertSign")
    tool("openssl", "req", "-newkey", "rsa:2048", "-nodes", "-keyout", at("leaf.key"), "-out", at("leaf.csr"),
         "-subj", "/CN=Throwaway test publisher")
    with open(at("leaf.ext"), "w") as f:
        f.write("keyUsage=critical,digitalSignature\nextendedKeyUsage=codeSigning\n")
    tool("openssl", "x509", "-req", "-in", at("leaf.csr"), "-CA", at("ca.pem"), "-CAkey", at("ca.key"),
         "-CAcreateserial", "-days", "2", "-extfile", at("leaf.ext"), "-out", at("leaf.pem"))
    tool("openssl", "pkcs12", "-export", "-inkey", at("leaf.key"), "-in", at("leaf.pem"), "-certfile", at("ca.pem"),
         "-passout", "pass:throwaway", "-out", at("leaf.pfx"))
    os.makedirs(at("tokens"))
    with open(at("softhsm2.conf"), "w") as f:
        f.write("directories.tokendir = %s\nobjectstore.backend = file\n" % at("tokens"))
    os.environ["SOFTHSM2_CONF"] = at("softhsm2.conf")
    tool("softhsm2-util", "--init-token", "--free", "--label", "velt", "--pin", "1234", "--so-pin", "5678")
    tool("softhsm2-util", "--import", at("leaf.key"), "--token", "velt", "--label", "publisher", "--id", "01",
         "--pin", "1234")
    engines = tool("openssl", "version", "-e").split('"')[1]
    return at("ca.pem"), {
        "pkcs12": {"VELT_SIGN_PFX": at("leaf.pfx"), "VELT_SIGN_PASS": "throwaway"},
        "pkcs11": {"VELT_SIGN_PKCS11_MODULE": PKCS11_MODULE, "VELT_SIGN_PKCS11_ENGINE": engines + "/pkcs11.so",
                   "VELT_SIGN_PKCS11_KEY": "pkcs11:token=velt;object=publisher;type=private",
                   "VELT_SIGN_CERT": at("leaf.pem"), "VELT_SIGN_PASS": "1234"}}


def payload_of(kit):
    with zipfile.ZipFile(kit) as z:
        files = {i.filename: z.read(i) for i in z.infolist()}
    payload = zipfile.ZipFile(io.BytesIO(find_resource(files["Setup.exe"], "ZIP", 135)), metadata_encoding="cp936")
    return files, payload


def check_signed(kit, signed, ca, tmp, check_args):
    """Every check of one signed kit."""
    result = run([sys.executable, os.path.join(HERE, "check_kit.py"), signed] + check_args)
    check(result.returncode == 0, "%s fails the kit's check:\n%s" % (signed, result.stdout))
    files, payload = payload_of(signed)
    _, unsigned = payload_of(kit)
    before, after = unsigned.infolist(), payload.infolist()
    check([(i.filename, i.date_time, i.compress_type) for i in before] ==
          [(i.filename, i.date_time, i.compress_type) for i in after],
          "%s: the payload's entries, order, times or methods differ" % signed)
    pes = {"kit/" + n: data for n, data in files.items() if is_pe(data)}
    for old, new in zip(before, after):
        data = payload.read(new)
        if is_pe(data):
            pes["payload/" + new.filename] = data
        else:
            check(old.CRC == new.CRC, "%s: payload/%s changed" % (signed, new.filename))
    check(len(pes) == 5, "%s: %d PEs in the kit and its payload, not 5" % (signed, len(pes)))
    for name, data in sorted(pes.items()):
        path = os.path.join(tmp, "pe")
        with open(path, "wb") as f:
            f.write(data)
        result = run(["osslsigncode", "verify", "-in", path, "-CAfile", ca])
        check(result.returncode == 0 and "Message digest algorithm  : SHA256" in result.stdout,
              "%s: %s has no SHA-256 signature that verifies:\n%s%s" % (signed, name, result.stdout, result.stderr))


def main(argv):
    if len(argv) != 6:
        print(__doc__, file=sys.stderr)
        return 1
    kit, out, arch, objdump, check_imports = argv[1:]
    with open(kit, "rb") as f:
        unsigned_bytes = f.read()
    shutil.rmtree(out, ignore_errors=True)
    with tempfile.TemporaryDirectory(prefix="velt-signtest-") as tmp:
        ca, keys = make_keys(tmp)
        base = {k: v for k, v in os.environ.items() if not k.startswith("VELT_SIGN_")}
        # (output folder, the key's variables, exit status)
        cases = [("no-key", {}, 2),
                 ("wrong-password", dict(keys["pkcs12"], VELT_SIGN_PASS="wrong"), 1),
                 ("pkcs12", keys["pkcs12"], 0)]
        # Debian 12's own osslsigncode (2.5) cannot start OpenSSL's PKCS#11
        # engine ("dynamic_load:init failed"); from 2.6 on it can.
        version = run(["osslsigncode", "--version"]).stdout.split()[1].rstrip(",")
        if tuple(int(p) for p in version.split(".")[:2]) >= (2, 6):
            cases.append(("pkcs11", keys["pkcs11"], 0))
        else:
            print("signed_kit: SKIPPED the PKCS#11 key: osslsigncode %s cannot load OpenSSL's PKCS#11 engine "
                  "(2.6 or later can)" % version)
        for folder, key, status in cases:
            signed = os.path.join(out, folder, os.path.basename(kit))
            if status == 1:  # a kit signed earlier must not stay
                os.makedirs(os.path.dirname(signed))
                with open(signed, "wb") as f:
                    f.write(unsigned_bytes)
            result = run([sys.executable, os.path.join(HERE, "sign_kit.py"), kit, os.path.dirname(signed)],
                         dict(base, **key))
            if check(result.returncode == status, "%s: sign_kit ended with %d, not %d: %s" % (
                    folder, result.returncode, status, result.stderr)) and status == 0:
                check_signed(kit, signed, ca, tmp, [arch, objdump, check_imports])
            check(os.path.exists(signed) == (status == 0), "%s: the signed kit is %s" % (
                folder, "missing" if status == 0 else "written"))
        with open(kit, "rb") as f:
            check(f.read() == unsigned_bytes, "the unsigned kit changed")
    for failure in failures:
        print("signed_kit: FAIL: " + failure)
    if not failures:
        print("signed_kit: every PE of the kits signed in %s and of their payloads verifies" % out)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
