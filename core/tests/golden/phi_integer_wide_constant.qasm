OPENQASM 3.0;
qubit[2] q;
bit[1] c;
int cint_0 = (-9223372036854775807 - 1);
c[0] = measure q[0];
if (c[0]) {
  cint_0 = 1;
}
if (cint_0 < 0) {
  x q[1];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
