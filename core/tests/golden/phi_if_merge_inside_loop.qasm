OPENQASM 3.0;
qubit[3] q;
bit[2] c;
int cint_0 = 0;
h q[0];
c[0] = measure q[0];
while (c[0]) {
  h q[1];
  c[1] = measure q[1];
  cint_0 = 0;
  if (c[1]) {
    cint_0 = 1;
  }
  if (cint_0 == 1) {
    x q[2];
  }
  h q[0];
  c[0] = measure q[0];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
