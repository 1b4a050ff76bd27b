OPENQASM 3.0;
qubit[2] q;
bit[1] c;
c[0] = measure q[0];
rz(c[0] * 3) q[1];
rz(c[0] * 5 + (1 - c[0]) * 7) q[1];
// generated-by: {"name":"corvane","version":"0.2.0","profile":"adaptive_profile"}
