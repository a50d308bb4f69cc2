"""Makes the signed kit from the unsigned one: every PE is signed with
osslsigncode (Authenticode, SHA-256), inside out: first the programs of
Setup.exe's payload archive (resource "ZIP" 135), so that the installed
programs are signed too; the payload is packed again by tools/pack_payload.py
with the same entries, order and form and put back into Setup.exe; then
Setup.exe and the kit's other PEs (DuiLibu.dll: the payload's signed copy).
The kit is packed again by skin/pack_skin.py, under the unsigned kit's name,
into the output folder; the unsigned kit is left as it is.

Usage: sign_kit.py <unsigned kit.zip> <output folder>
The key, from the environment:
  VELT_SIGN_PFX            a PKCS#12 file holding the key and its certificates;
  or VELT_SIGN_PKCS11_MODULE, VELT_SIGN_PKCS11_KEY (the key's PKCS#11 id or
                           URI) and VELT_SIGN_CERT (the certificates, PEM),
                           VELT_SIGN_PKCS11_ENGINE when OpenSSL needs one named;
  VELT_SIGN_PASS           the PKCS#12 password or the token's PIN (given to
                           osslsigncode in a file, never on its command line);
  VELT_SIGN_TIMESTAMP      an RFC 3161 timestamp server's URL; none: no
                           timestamp (the signatures are then valid only while
                           the certificate is).
Exit status: 0 when the signed kit was written (its path printed), 1 when
signing or packing failed (then no signed kit is left in the output folder),
2 on bad arguments or no key.
"""
import io
import os
import subprocess
import sys
import tempfile
import zipfile

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import pe_resource  # noqa: E402

ROOT = os.path.dirname(os.path.dirname(HERE))
PACK_PAYLOAD = os.path.join(ROOT, "tools", "pack_payload.py")
PACK_KIT = os.path.join(ROOT, "skin", "pack_skin.py")
PAYLOAD = ("ZIP", 135)


class SignError(Exception):
    pass


def key_arguments(env, work):
    """osslsigncode's arguments for the key the environment names, or None."""
    if env.get("VELT_SIGN_PFX"):
        args = ["-pkcs12", env["VELT_SIGN_PFX"]]
    elif env.get("VELT_SIGN_PKCS11_MODULE"):
        args = ["-pkcs11module", env["VELT_SIGN_PKCS11_MODULE"],
                "-key", env.get("VELT_SIGN_PKCS11_KEY", ""), "-certs", env.get("VELT_SIGN_CERT", "")]
        if env.get("VELT_SIGN_PKCS11_ENGINE"):
            args += ["-pkcs11engine", env["VELT_SIGN_PKCS11_ENGINE"]]
    else:
        return None
    if "VELT_SIGN_PASS" in env:
        secret = os.path.join(work, "pass")
        with open(os.open(secret, os.O_WRONLY | os.O_CREAT | os.O_EXCL, 0o600), "w") as f:
            f.write(env["VELT_SIGN_PASS"])
        args += ["-readpass", secret]
    args += ["-h", "sha256"]
    if env.get("VELT_SIGN_TIMESTAMP"):
        args += ["-ts", env["VELT_SIGN_TIMESTAMP"]]
    return args


def is_pe(data):
    return data[:2] == b"MZ" and len(data) > 0x40 and \
        data[int.from_bytes(data[0x3C:0x40], "little"):][:4] == b"PE\0\0"


class Signer:
    """Signs PE bytes; the same bytes are signed once (DuiLibu.dll is in the
    payload and in the kit)."""

    def __init__(self, key_args, work):
        self.key_args, self.work, self.done = key_args, work, {}

    def __call__(self, data, name):
        if data not in self.done:
            unsigned = os.path.join(self.work, "unsigned.bin")
            signed = os.path.join(self.work, "signed.bin")
            with open(unsigned, "wb") as f:
                f.write(data)
            if os.path.exists(signed):
                os.remove(signed)
            result = subprocess.run(["osslsigncode", "sign"] + self.key_args + ["-in", unsigned, "-out", signed],
                                    capture_output=True, text=True)
            if result.returncode != 0:
                raise SignError("osslsigncode could not sign %s:\n%s%s" % (name, result.stdout, result.stderr))
            with open(signed, "rb") as f:
                self.done[data] = f.read()
        return self.done[data]


def signed_payload(payload, sign, work):
    """The payload archive packed again with every PE in it signed."""
    folder = os.path.join(work, "payload")
    os.makedirs(folder)
    lines = []
    with zipfile.ZipFile(io.BytesIO(payload), metadata_encoding="cp936") as z:
        for number, info in enumerate(z.infolist()):
            if info.is_dir():
                lines.append("%s\tfolder" % info.filename)
                continue
            data = z.read(info)
            source = os.path.join(folder, str(number))
            with open(source, "wb") as f:
                f.write(sign(data, info.filename) if is_pe(data) else data)
            kind = "store" if info.compress_type == zipfile.ZIP_STORED else "deflate"
            lines.append("%s\t%s\t%s" % (info.filename, kind, source))
    entries = os.path.join(work, "payload_entries.txt")
    with open(entries, "w", encoding="utf-8") as f:
        f.write("\n".join(lines) + "\n")
    out = os.path.join(work, "payload.zip")
    result = subprocess.run([sys.executable, PACK_PAYLOAD, "--entries", entries, "--output", out],
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise SignError("the payload could not be packed again:\n" + result.stderr)
    with open(out, "rb") as f:
        return f.read()


def sign_kit(kit, out_folder, key_args, work):
    target = os.path.join(out_folder, os.path.basename(kit))
    if os.path.exists(target):
        os.remove(target)  # no earlier signed kit stays when this one fails
    sign = Signer(key_args, work)
    with zipfile.ZipFile(kit) as z:
        files = [(i.filename, z.read(i)) for i in z.infolist()]
    staged = os.path.join(work, "kit")
    os.makedirs(staged)
    for name, data in files:
        if is_pe(data):
            # The payload's programs are signed before Setup.exe, which carries them.
            payload = pe_resource.find_resource(data, *PAYLOAD)
            if payload is not None:
                data = pe_resource.replace_resource(data, *PAYLOAD, signed_payload(payload, sign, work))
            data = sign(data, name)
        with open(os.path.join(staged, name), "wb") as f:
            f.write(data)
    os.makedirs(out_folder, exist_ok=True)
    result = subprocess.run([sys.executable, PACK_KIT, target] + [os.path.join(staged, n) for n, _ in files],
                            capture_output=True, text=True)
    if result.returncode != 0:
        raise SignError("the kit could not be packed again:\n" + result.stderr)
    return target


def main(argv):
    if len(argv) != 3:
        print(__doc__, file=sys.stderr)
        return 2
    with tempfile.TemporaryDirectory(prefix="velt-sign-") as work:
        key_args = key_arguments(os.environ, work)
        if key_args is None:
            print("sign_kit: no key: set VELT_SIGN_PFX, or VELT_SIGN_PKCS11_MODULE and its key", file=sys.stderr)
            return 2
        try:
            print(sign_kit(argv[1], argv[2], key_args, work))
        except (SignError, pe_resource.PeError, OSError, zipfile.BadZipFile) as e:
            print("sign_kit: %s" % e, file=sys.stderr)
            return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
