OPENQASM 3.0;
qubit[3] q;
bit[2] c;
int cint_0 = 0;
c[1] = measure q[1];
h q[0];
c[0] = measure q[0];
cint_0 = c[0];
if (cint_0 == 1) {
} else {
  x q[0];
  c[0] = measure q[0];
}
if (cint_0 == 1 || c[1] == 1) {
  x q[2];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
