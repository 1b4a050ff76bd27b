OPENQASM 3.0;
qubit[2] q;
bit[2] c;
h q[1];
c[1] = measure q[1];
if (c[1]) {
  x q[0];
}
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
