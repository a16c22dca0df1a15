"""cctbx reads vorn.tsc: structure factors of the spherical table against cctbx's IT1992 ones.

Usage: tsc_cctbx.py VORN_EXE SHARED_DATA_DIR. Exits 77 (skipped) without cctbx or the shared data.
Run by /usr/bin/python3, whose packages hold Debian's python3-cctbx.
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile

SKIP = 77


def main():
    exe, data = os.path.abspath(sys.argv[1]), sys.argv[2]
    res = os.path.join(data, "hkl", "fe_perchlorate_R-3c.res")
    hkl = os.path.join(data, "hkl", "fe_perchlorate_R-3c.hkl")
    if not (os.path.exists(res) and os.path.exists(hkl)):
        print("skipped: shared data absent:", res)
        return SKIP
    try:
        from cctbx import xray
        from iotbx import reflection_file_reader
        from smtbx.structure_factors import direct
    except ImportError as e:
        print("skipped: cctbx absent (apt-get install python3-cctbx):", e)
        return SKIP
    work = tempfile.mkdtemp(prefix="vorn_tsc_cctbx_")
    try:
        shutil.copy(res, os.path.join(work, "fe.res"))
        shutil.copy(hkl, os.path.join(work, "fe.hkl"))
        with open(os.path.join(work, "vorn.inp"), "w") as f:
            f.write("FORMAT *shelx\nINPUT fe.res\nTSC fe.hkl\n")
        run = subprocess.run([exe], cwd=work, stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=300)
        if "ERROR" in run.stdout or not os.path.exists(os.path.join(work, "vorn.tsc")):
            print(run.stdout[-2000:])
            print("FAIL: vorn wrote no table")
            return 1
        table = os.path.join(work, "vorn.tsc")
        with open(table) as f:
            head = [next(f) for _ in range(5)]
        print("".join(head[:4]), end="")

        xs = xray.structure.from_shelx(file=open(os.path.join(work, "fe.res")))
        for sc in xs.scatterers():
            sc.fp, sc.fdp = 0.0, 0.0
        obs = reflection_file_reader.any_reflection_file(os.path.join(work, "fe.hkl") + "=hklf4") \
            .as_miller_arrays(crystal_symmetry=xs)[0]
        labels = head[3].split()[1:]
        missing = [s.label for s in xs.scatterers() if s.label not in labels]
        if missing:
            print("FAIL: scatterers not in the table:", missing)
            return 1

        sf = direct.f_calc_modulus_squared(xs, table_file_name=table, reflections=obs)
        fc2_tsc = []
        for h in obs.indices():
            sf.evaluate(h)
            fc2_tsc.append(sf.observable)
        xs.scattering_type_registry(table="it1992")
        fc = obs.structure_factors_from_scatterers(xs, algorithm="direct").f_calc()
        fc2_iam = [abs(x) ** 2 for x in fc.data()]

        rel = [abs(a - b) / b for a, b in zip(fc2_tsc, fc2_iam) if b > 0]
        med = statistics.median(rel)

        def r1(fc2):
            pairs = [(i ** 0.5, c ** 0.5) for i, c in zip(obs.data(), fc2) if i > 0]
            k = sum(o * c for o, c in pairs) / sum(c * c for o, c in pairs)
            return sum(abs(o - k * c) for o, c in pairs) / sum(o for o, c in pairs)

        r_tsc, r_iam = r1(fc2_tsc), r1(fc2_iam)
        print("reflections %d, median |Fc2(tsc) - Fc2(IT1992)| / Fc2(IT1992) = %.4f %%" % (len(rel), 100 * med))
        print("R1 with the table %.4f, with IT1992 %.4f" % (r_tsc, r_iam))
        ok = med < 0.01 and abs(r_tsc - r_iam) < 0.005
        print("1 passed, 0 failed" if ok else "0 passed, 1 failed")
        return 0 if ok else 1
    finally:
        shutil.rmtree(work, ignore_errors=True)


sys.exit(main())
